// vandry, the conversion wizard: converts an Access database into a MySQL server database or a
// SQL dump file, page by page, or at once from a settings profile named on the command line.
#include <QApplication>

#include "GUI2/wizard_program.h"

int main(int argc, char** argv) {
  // Qt ends the process when it finds no display; the wizard says so itself, with its own status.
  if (!gui_initialize(argc, argv)) return gui_init_failed_status;
  QApplication application(argc, argv);
  return wizard_program(argc, argv);
}
