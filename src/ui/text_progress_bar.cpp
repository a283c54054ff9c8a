#include "ui/text_progress_bar.hpp"

#include <algorithm>

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quorvine::ui {

TextProgressBar::TextProgressBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TextProgressBar::setRange(qint64 lower, qint64 upper) {
  lower_ = lower;
  upper_ = upper;
  position_ = upper_ > lower_ ? std::clamp(position_, lower_, upper_) : lower_;
  update();
}

void TextProgressBar::setPosition(qint64 position) {
  const qint64 clamped = upper_ > lower_ ? std::clamp(position, lower_, upper_) : lower_;
  if (clamped == position_) return;
  position_ = clamped;
  update();
}

void TextProgressBar::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void TextProgressBar::setShowPercentage(bool show) {
  show_percentage_ = show;
  update();
}

double TextProgressBar::fraction() const {
  if (upper_ <= lower_) return 0.0;
  return static_cast<double>(position_ - lower_) / static_cast<double>(upper_ - lower_);
}

QString TextProgressBar::displayText() const {
  if (!show_percentage_) return text_;
  return text_ + QString::number(static_cast<int>(fraction() * 100.0 + 0.5)) + "%";
}

void TextProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = rect();
  const QPalette& colours = palette();
  painter.fillRect(area, colours.color(QPalette::Button));
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.frameShape = QFrame::Panel;
  frame.state |= QStyle::State_Sunken;
  frame.lineWidth = 1;
  style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
  const QRect inner = area.adjusted(1, 1, -1, -1);
  const QRect filled(inner.left(), inner.top(), static_cast<int>(inner.width() * fraction()), inner.height());
  painter.fillRect(filled, colours.color(QPalette::Highlight));

  const QString text = displayText();
  painter.setClipRect(inner.adjusted(filled.width(), 0, 0, 0));
  painter.setPen(colours.color(QPalette::WindowText));
  painter.drawText(inner, Qt::AlignCenter, text);
  painter.setClipRect(filled);
  painter.setPen(colours.color(QPalette::HighlightedText));
  painter.drawText(inner, Qt::AlignCenter, text);
}

}  // namespace quorvine::ui
