// Renders the window with both panes filled to a PNG, for the README.
// Run: QT_QPA_PLATFORM=offscreen build/tests/screenshot docs/converter.png
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  frontend::MainWindow window;
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  QFile f(QStringLiteral(TEST_DATA_DIR "/monitor.z80"));
  f.open(QIODevice::ReadOnly);
  const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  window.z80_pane()->setPlainText(lines.mid(344, 28).join(QLatin1Char('\n')));
  QTest::mouseClick(window.to_8080_button(), Qt::LeftButton);
  window.z80_pane()->moveCursor(QTextCursor::Start);
  window.i8080_pane()->moveCursor(QTextCursor::Start);
  QApplication::processEvents();
  return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
