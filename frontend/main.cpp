// converter: the desktop window over the translation engine.
//
//   converter FILE                   opens FILE into the pane of its notation
//   converter Z80FILE 8080FILE       opens the files into the panes
//   converter --help | --version     answers and exits (no display needed)
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <cstdio>
#include <cstring>

#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"

// Whether a window can be shown. Without a display the platform plugin would
// end the program with an abort and its own text; a platform chosen
// explicitly (offscreen, say) that needs none is taken at its word.
static bool has_display(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0) return true;
  }
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland")) return true;
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(QStringLiteral("converter"));
  QCoreApplication::setApplicationVersion(QStringLiteral(Z80TOOLS_VERSION));
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Translates assembly source between Z80 and 8080 mnemonics in a window with two panes."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this text and exit."));
  parser.addOption(help);
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("Z80FILE"), QStringLiteral("Z80 source to open into the left pane."),
                               QStringLiteral("[Z80FILE"));
  parser.addPositionalArgument(QStringLiteral("8080FILE"),
                               QStringLiteral("8080 source to open into the right pane."), QStringLiteral("[8080FILE]]"));
  if (!parser.parse(arguments) || parser.positionalArguments().size() > 2) {
    std::fprintf(stderr, "converter: %s\n",
                 parser.errorText().isEmpty() ? "at most two files: Z80FILE and 8080FILE"
                                              : parser.errorText().toLocal8Bit().constData());
    return 2;
  }
  if (parser.isSet(help)) {
    // Without an application object the parser knows no program name.
    const QString text = parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("converter"));
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("converter %s\n", Z80TOOLS_VERSION);
    return 0;
  }

  if (!has_display(argc, argv)) {
    std::fputs("converter needs a display (DISPLAY or WAYLAND_DISPLAY)\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
  frontend::MainWindow window;
  const bool placed = !frontend::read_settings().geometry.isEmpty();
  window.show();
  if (!placed) {
    if (const QScreen* screen = window.screen()) {
      window.move(frontend::centred_position(window.frameGeometry().size(), screen->geometry()));
    }
  }
  const QStringList files = parser.positionalArguments();
  // One file (a file manager's "open with") goes to the pane of its notation.
  if (files.size() == 1) window.open_file(window.z80_pane(), files[0], true);
  if (files.size() == 2) {
    window.open_file(window.z80_pane(), files[0]);
    window.open_file(window.i8080_pane(), files[1]);
  }
  return app.exec();
}
