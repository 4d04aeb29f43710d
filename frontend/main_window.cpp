#include "frontend/main_window.hpp"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>

#include "frontend/editor_pane.hpp"
#include "frontend/pane_commands.hpp"

// The icon lives in this library's resources; they must be registered by name,
// from outside any namespace.
static void init_resources() { Q_INIT_RESOURCE(converter); }

namespace frontend {
namespace {

QLabel* caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  label->setTextFormat(Qt::PlainText);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  return label;
}

QPushButton* button(const QString& text, const QString& tip, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setToolTip(tip);
  return b;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  init_resources();
  setWindowTitle(tr("Z80 / 8080 source converter"));
  setWindowIcon(QIcon(QStringLiteral(":/converter.png")));
  setFixedSize(640, 480);

  // Created in tab order.
  z80_pane_ = new EditorPane(tr("Select all"), this);
  to_8080_ = button(QStringLiteral(">"), tr("convert z80 to 8080"), this);
  to_z80_ = button(QStringLiteral("<"), tr("convert 8080 to z80"), this);
  z80_label_ = caption(tr("z80 code"), this);
  i8080_pane_ = new EditorPane(tr("Select All"), this);
  i8080_label_ = caption(tr("8080 code"), this);

  z80_pane_->setObjectName(QStringLiteral("z80_pane"));
  i8080_pane_->setObjectName(QStringLiteral("i8080_pane"));
  z80_pane_->setGeometry(0, 20, 300, 400);
  to_8080_->setGeometry(300, 22, 20, 20);
  to_z80_->setGeometry(300, 124, 20, 20);
  z80_label_->setGeometry(0, 0, 300, 20);
  i8080_pane_->setGeometry(320, 20, 320, 400);
  i8080_label_->setGeometry(320, 0, 320, 20);

  connect(to_8080_, &QPushButton::clicked, this, &MainWindow::convert_z80_to_8080);
  connect(to_z80_, &QPushButton::clicked, this, &MainWindow::convert_8080_to_z80);
  for (EditorPane* pane : {z80_pane_, i8080_pane_}) {
    connect(pane, &EditorPane::file_dropped, this,
            [this, pane](const QString& path) { load_dropped_file(pane, path); });
  }
  couple_scrolling(z80_pane_, i8080_pane_);
  couple_scrolling(i8080_pane_, z80_pane_);

  // Escape closes the window only while it is active.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void MainWindow::couple_scrolling(EditorPane* from, EditorPane* to) {
  connect(from->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, to](int line) {
    if (coupling_) return;  // `to` is following us: do not follow it back
    coupling_ = true;
    to->scroll_to_line(line);
    coupling_ = false;
  });
}

void MainWindow::convert_z80_to_8080() { convert(z80_pane_, i8080_pane_, engine::translate_z80_to_8080); }

void MainWindow::convert_8080_to_z80() { convert(i8080_pane_, z80_pane_, engine::translate_8080_to_z80); }

void MainWindow::convert(EditorPane* source, EditorPane* target, Translator translate) {
  // The target shows the lines the source shows; it does not drag the source along.
  coupling_ = true;
  const int line = source->first_visible_line();
  target->set_marked_lines(convert_pane(*source, *target, translate));
  target->scroll_to_line(line);
  coupling_ = false;
}

void MainWindow::load_dropped_file(EditorPane* pane, const QString& path) {
  if (!load_file(path.toStdString(), *pane)) return;
  pane->moveCursor(QTextCursor::Start);
  pane->scroll_to_line(0);
}

QPoint centred_position(QSize outer, QRect screen) {
  return {screen.x() + std::max(0, (screen.width() - outer.width()) / 2),
          screen.y() + std::max(0, (screen.height() - outer.height()) / 2)};
}

}  // namespace frontend
