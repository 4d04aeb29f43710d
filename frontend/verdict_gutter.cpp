#include "frontend/verdict_gutter.hpp"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>

#include "engine/verify.hpp"
#include "frontend/editor_pane.hpp"

namespace frontend {
namespace {

class VerdictData : public QTextBlockUserData {
 public:
  explicit VerdictData(engine::Proof p) : proof(p) {}
  engine::Proof proof;
};

const QColor kProven(30, 140, 60);
const QColor kUnproven(210, 30, 30);
const QColor kMarkedLine(255, 226, 190);

}  // namespace

engine::Proof line_verdict(engine::Direction direction, std::u16string_view source, std::u16string_view translation,
                           const engine::Options& options) {
  return engine::verify_line(direction, source, translation, options).proof;
}

std::optional<engine::Proof> verdict_of(const QTextBlock& block) {
  const auto* data = static_cast<const VerdictData*>(block.userData());
  if (data == nullptr) return std::nullopt;
  return data->proof;
}

void set_verdict(QTextBlock& block, engine::Proof proof) {
  if (auto* data = static_cast<VerdictData*>(block.userData())) {
    data->proof = proof;
  } else {
    block.setUserData(new VerdictData(proof));
  }
}

VerdictGutter::VerdictGutter(EditorPane* pane) : QWidget(pane), pane_(pane) {}

int VerdictGutter::gutter_width() const { return pane_->fontMetrics().horizontalAdvance(QLatin1Char('M')) + 4; }

void VerdictGutter::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal w = width();
  for (QTextBlock b = pane_->first_visible_block(); b.isValid(); b = b.next()) {
    const QRectF r = pane_->block_rect(b);
    if (r.top() > event->rect().bottom()) break;
    const std::optional<engine::Proof> proof = verdict_of(b);
    if (!proof || *proof == engine::Proof::passed) continue;
    // A square in the middle of the line's row, its sides a bit less than the width.
    const qreal side = std::min(w - 4, r.height() - 4);
    const QRectF box((w - side) / 2, r.top() + (r.height() - side) / 2, side, side);
    switch (*proof) {
      case engine::Proof::proven: {
        QPainterPath tick;
        tick.moveTo(box.left(), box.center().y());
        tick.lineTo(box.left() + side * 0.4, box.bottom());
        tick.lineTo(box.right(), box.top());
        painter.setPen(QPen(kProven, std::max(1.5, side / 6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
        break;
      }
      case engine::Proof::unproven: {
        const QRectF c = box.adjusted(side / 8, side / 8, -side / 8, -side / 8);
        painter.setPen(QPen(kUnproven, std::max(1.5, side / 6), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(c.topLeft(), c.bottomRight());
        painter.drawLine(c.topRight(), c.bottomLeft());
        break;
      }
      case engine::Proof::marked: painter.fillRect(QRectF(0, r.top(), w, r.height()), kMarkedLine); break;
      case engine::Proof::passed: break;
    }
  }
}

}  // namespace frontend
