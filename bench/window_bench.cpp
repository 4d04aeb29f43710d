// The window with 200 000-line panes: converting and showing them (from the
// click until the target pane is painted), going to the next marked line
// (F8), editing one line (its verdict proven again as it is typed), and
// undoing the conversion. Prints milliseconds;
// not a test. Run: QT_QPA_PLATFORM=offscreen build/bench/window_bench
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <cstdio>

#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"

namespace {

// Milliseconds from before `act` until the window has handled what it posted and painted.
template <typename Act>
long long measure(frontend::MainWindow& window, Act act) {
  QElapsedTimer timer;
  timer.start();
  act();
  QApplication::processEvents();
  window.repaint();
  return timer.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QSettings(QStringLiteral("z80tools"), QStringLiteral("converter")).remove(QStringLiteral("geometry"));
  frontend::MainWindow window;
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);

  const struct {
    const char* file;
    frontend::EditorPane* source;
    frontend::EditorPane* target;
    QPushButton* button;
    const char* name;
  } kRuns[] = {
      {"monitor.z80", window.z80_pane(), window.i8080_pane(), window.to_8080_button(), "Z80 -> 8080"},
      {"copy.asm", window.i8080_pane(), window.z80_pane(), window.to_z80_button(), "8080 -> Z80"},
  };
  for (const auto& run : kRuns) {
    QFile f(QStringLiteral(BENCH_DATA_DIR "/") + QLatin1String(run.file));
    f.open(QIODevice::ReadOnly);
    const QStringList program = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    QStringList lines;
    while (lines.size() < 200'000) lines << program[lines.size() % program.size()];
    run.source->setPlainText(lines.join(QLatin1Char('\n')));
    QApplication::processEvents();

    const long long convert = measure(window, [&] { QTest::mouseClick(run.button, Qt::LeftButton); });
    run.target->setFocus();
    run.target->go_to_line(100'000, false);
    QApplication::processEvents();
    const long long next = measure(window, [&] { QTest::keyClick(run.target, Qt::Key_F8); });
    const long long edit = measure(window, [&] { QTest::keyClick(run.target, Qt::Key_X); });
    const long long undo = measure(window, [&] {
      QTest::keyClick(run.target, Qt::Key_Z, Qt::ControlModifier);
      QTest::keyClick(run.target, Qt::Key_Z, Qt::ControlModifier);
    });
    std::printf("%s, 200000 lines: convert and show %lld ms, F8 %lld ms, edit a line with verdicts on %lld ms, "
                "undo both %lld ms\n",
                run.name, convert, next, edit, undo);
  }
  for (auto* pane : {window.z80_pane(), window.i8080_pane()}) pane->document()->setModified(false);
  return 0;
}
