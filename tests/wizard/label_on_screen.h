// What a label puts on the screen, for tests that check how a text shows rather than what the
// control holds: "&" may be a mnemonic mark, a hidden one or a character of the text.
#pragma once

#include <QImage>
#include <QLabel>
#include <QTextDocument>

// True when the label paints the same pixels as a label of its size, font and layout that
// shows `expected` character for character (no mnemonic, no markup). A link label is read from
// its document instead: its text is markup.
inline bool label_shows(QLabel* label, const QString& expected) {
  if (label->textFormat() == Qt::RichText) {
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText() == expected;
  }
  QLabel plain;
  plain.setFont(label->font());
  plain.setPalette(label->palette());
  plain.setTextFormat(Qt::PlainText);
  plain.setWordWrap(label->wordWrap());
  plain.setAlignment(label->alignment());
  plain.setText(expected);
  plain.resize(label->size());
  // A child and a window grab into pixmaps of different formats: compare the colours only.
  return label->grab().toImage().convertToFormat(QImage::Format_RGB32) ==
         plain.grab().toImage().convertToFormat(QImage::Format_RGB32);
}
