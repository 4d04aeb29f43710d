// converter: the desktop window over the translation engine.
#include <QApplication>
#include <QScreen>

#include "frontend/main_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  frontend::MainWindow window;
  window.show();
  if (const QScreen* screen = window.screen()) {
    window.move(frontend::centred_position(window.frameGeometry().size(), screen->geometry()));
  }
  return app.exec();
}
