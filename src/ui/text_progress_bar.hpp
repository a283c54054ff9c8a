#pragma once
// The status bar's progress bar that paints its own text followed by the percentage
// ("Loading 37%"), in one colour over the empty part and another over the filled part.
#include <QString>
#include <QWidget>

namespace quorvine::ui {

class TextProgressBar : public QWidget {
  Q_OBJECT
 public:
  explicit TextProgressBar(QWidget* parent = nullptr);

  void setRange(qint64 lower, qint64 upper);
  // Clamped into the range.
  void setPosition(qint64 position);
  void setText(const QString& text);
  void setShowPercentage(bool show);

  qint64 position() const { return position_; }
  // The text as painted: the text, then the percentage when shown ("Completed100%").
  QString displayText() const;
  // Filled part in [0, 1]; 0 for an empty range.
  double fraction() const;

  QSize sizeHint() const override { return {300, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  qint64 lower_ = 0;
  qint64 upper_ = 100;
  qint64 position_ = 0;
  QString text_;
  bool show_percentage_ = true;
};

}  // namespace quorvine::ui
