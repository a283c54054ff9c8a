#pragma once
// The message boxes of the window and its dialogs go through one replaceable function, so
// that tests can answer them without a person.
#include <functional>

#include <QMessageBox>

namespace quorvine::app {

using Prompt = std::function<QMessageBox::StandardButton(QWidget* owner, QMessageBox::Icon icon, const QString& text,
                                                         const QString& caption, QMessageBox::StandardButtons buttons)>;

// A modal QMessageBox.
QMessageBox::StandardButton show_message_box(QWidget* owner, QMessageBox::Icon icon, const QString& text,
                                             const QString& caption, QMessageBox::StandardButtons buttons);

}  // namespace quorvine::app
