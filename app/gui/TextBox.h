// The main window's text boxes: a plain text box that gives and copies its
// text exactly as it holds it. A plain Qt box turns a non-breaking space
// (U+00A0) into a plain space both when its text is read and when it is
// copied; here every character stays what it is, and only the breaks between
// lines become "\n".
#pragma once

#include <QPlainTextEdit>

namespace zephral {

class TextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent = nullptr);

    // The whole text, every character as it is.
    QString text() const;

protected:
    QMimeData* createMimeDataFromSelection() const override;
};

// The text of any plain text box, every character as it is.
QString exactText(const QPlainTextEdit* box);

} // namespace zephral
