// Renders the window with both panes filled to a PNG, for the README.
// Run: QT_QPA_PLATFORM=offscreen build/tests/screenshot docs/converter.png
#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  QSettings(QStringLiteral("z80tools"), QStringLiteral("converter")).remove(QStringLiteral("geometry"));
  frontend::MainWindow window;
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  window.open_file(window.z80_pane(), QStringLiteral(TEST_DATA_DIR "/monitor.z80"));
  window.z80_pane()->scroll_to_line(344);
  window.z80_pane()->go_to_line(352, false);
  window.z80_pane()->scroll_to_line(344);
  QTest::mouseClick(window.to_8080_button(), Qt::LeftButton);
  window.i8080_pane()->setFocus();
  window.i8080_pane()->go_to_line(352, false);
  window.i8080_pane()->scroll_to_line(344);
  window.statusBar()->clearMessage();
  QTest::qWait(50);
  return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
