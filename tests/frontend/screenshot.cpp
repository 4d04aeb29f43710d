// Renders the window at its first size with a real source converted and F8
// on a marked line, to a PNG for the README.
// Run: QT_QPA_PLATFORM=offscreen build/tests/screenshot docs/converter.png
#include <QApplication>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  // Fresh settings in a scratch folder: the first start, the user's own settings untouched.
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  frontend::MainWindow window;
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  window.open_file(window.z80_pane(), QStringLiteral(TEST_DATA_DIR "/monitor.z80"), true);
  window.convert_z80_to_8080();
  window.z80_pane()->go_to_line(340, false);
  window.z80_pane()->setFocus();
  QTest::keyClick(window.z80_pane(), Qt::Key_F8);
  window.statusBar()->clearMessage();
  QTest::qWait(50);
  return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
