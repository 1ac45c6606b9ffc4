// A sheet page: the defaults of the notifications a page does not answer itself.
#include "platform/ui/ui_page.h"

ui_page::ui_page(ui_dialog_def def, QWidget* parent) : ui_control_host(std::move(def), parent) {}

ui_page::~ui_page() = default;

int ui_page::on_notify(ui_notify) { return 0; }

void ui_page::on_timer(int) {}
