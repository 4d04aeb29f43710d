// The window converting a 200 000-line pane: how long from the click until the
// target pane is filled and painted. Prints milliseconds; not a test.
// Run: QT_QPA_PLATFORM=offscreen build/bench/window_bench
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  frontend::MainWindow window;
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);

  const struct {
    const char* file;
    frontend::EditorPane* source;
    QPushButton* button;
    const char* name;
  } kRuns[] = {
      {"monitor.z80", window.z80_pane(), window.to_8080_button(), "Z80 -> 8080"},
      {"copy.asm", window.i8080_pane(), window.to_z80_button(), "8080 -> Z80"},
  };
  for (const auto& run : kRuns) {
    QFile f(QStringLiteral(BENCH_DATA_DIR "/") + QLatin1String(run.file));
    f.open(QIODevice::ReadOnly);
    const QStringList program = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    QStringList lines;
    while (lines.size() < 200'000) lines << program[lines.size() % program.size()];
    run.source->setPlainText(lines.join(QLatin1Char('\n')));
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(run.button, Qt::LeftButton);
    window.repaint();
    QApplication::processEvents();
    std::printf("%s: %d lines converted and shown in %lld ms\n", run.name, static_cast<int>(lines.size()),
                static_cast<long long>(timer.elapsed()));
  }
  return 0;
}
