#include "frontend/elided_label.hpp"

#include <QPainter>

namespace frontend {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), mode_(mode) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::set_full_text(const QString& text) {
  full_ = text;
  setToolTip(text);
  updateGeometry();
  update();
}

QString ElidedLabel::shown_text() const { return fontMetrics().elidedText(full_, mode_, contentsRect().width()); }

QSize ElidedLabel::minimumSizeHint() const { return {fontMetrics().horizontalAdvance(QStringLiteral("M...M")), QLabel::minimumSizeHint().height()}; }

QSize ElidedLabel::sizeHint() const {
  return {fontMetrics().horizontalAdvance(full_) + 8, QLabel::sizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, shown_text());
}

}  // namespace frontend
