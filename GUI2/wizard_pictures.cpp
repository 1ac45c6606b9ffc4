// The wizard's own pictures by resource id.
#include "GUI2/wizard_pictures.h"

#include <QString>

QPixmap wizard_picture(int id) {
  switch (id) {
    case wizard_watermark_id: return QPixmap(QStringLiteral(":/wizard/watermark.png"));
    case wizard_header_id: return QPixmap(QStringLiteral(":/wizard/header.png"));
    case wizard_icon_id: return QPixmap(QStringLiteral(":/wizard/icon.png"));
    default: return {};
  }
}
