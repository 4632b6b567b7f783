#include "gui/TextBox.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace zephral {

namespace {

// The document marks the break between two lines with U+2029.
QString withLineBreaks(QString text) {
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {}

QString TextBox::text() const {
    return exactText(this);
}

QMimeData* TextBox::createMimeDataFromSelection() const {
    auto* mime = new QMimeData;
    mime->setText(withLineBreaks(textCursor().selectedText()));
    return mime;
}

QString exactText(const QPlainTextEdit* box) {
    return withLineBreaks(box->document()->toRawText());
}

} // namespace zephral
