#include "frontend/fixed_font.hpp"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>

namespace frontend {

bool monospaced(const QFont& font) {
  const QFontMetricsF metrics(font);
  const qreal width = metrics.horizontalAdvance(QLatin1Char(' '));
  for (char c = '!'; c <= '~'; ++c) {
    if (metrics.horizontalAdvance(QLatin1Char(c)) != width) return false;
  }
  return width > 0;
}

QFont fixed_pitch_font() {
  const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (monospaced(system)) return system;
  QStringList families = {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                          QStringLiteral("Noto Mono"),        QStringLiteral("Noto Sans Mono"),
                          QStringLiteral("Ubuntu Mono"),      QStringLiteral("Source Code Pro"),
                          QStringLiteral("Hack"),             QStringLiteral("Cousine"),
                          QStringLiteral("Nimbus Mono PS"),   QStringLiteral("FreeMono"),
                          QStringLiteral("Courier New"),      QStringLiteral("Courier")};
  for (const QString& family : QFontDatabase::families()) {
    if (QFontDatabase::isFixedPitch(family)) families << family;
  }
  for (const QString& family : families) {
    if (!QFontDatabase::hasFamily(family)) continue;
    QFont font(family);
    font.setPointSizeF(system.pointSizeF() > 0 ? system.pointSizeF() : 10);
    font.setStyleHint(QFont::TypeWriter);
    if (monospaced(font)) return font;
  }
  return system;  // nothing better is installed
}

}  // namespace frontend
