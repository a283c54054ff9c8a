#include "app/prompt.hpp"

namespace quorvine::app {

QMessageBox::StandardButton show_message_box(QWidget* owner, QMessageBox::Icon icon, const QString& text,
                                             const QString& caption, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setWindowModality(Qt::ApplicationModal);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace quorvine::app
