// The converter window under Qt Test, on the offscreen platform.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>

#include "engine/line_reader.hpp"
#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"

using frontend::EditorPane;
using frontend::MainWindow;

namespace {

using Lines = std::vector<std::u16string>;

Lines lines_of(const EditorPane* pane) {
  Lines out;
  for (std::size_t i = 0; i < pane->count_lines(); ++i) out.push_back(pane->get_line(i));
  return out;
}

QStringList action_texts(const QMenu* menu) {
  QStringList texts;
  for (const QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("---") : a->text());
  return texts;
}

QString numbered_lines(int n, const QString& text) {
  QStringList lines;
  for (int i = 0; i < n; ++i) lines << text.arg(i);
  return lines.join(QLatin1Char('\n'));
}

// Sends a drag of `data` over the pane and, if it is accepted, drops it.
// Returns whether the drag was accepted.
bool drag_and_drop(EditorPane* pane, QMimeData* data) {
  const QPoint at(10, 10);
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(pane->viewport(), &enter);
  if (!enter.isAccepted() || enter.dropAction() != Qt::CopyAction) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(pane->viewport(), &drop);
  return drop.isAccepted();
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = std::make_unique<MainWindow>();
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void controls() {
    MainWindow& w = *window_;
    QCOMPARE(w.size(), QSize(640, 480));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!w.windowTitle().isEmpty());
    QVERIFY(!w.windowIcon().isNull());

    const auto labels = w.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 2);
    // Children in creation order, with their place and text.
    const struct {
      QWidget* widget;
      QRect geometry;
      QString text;
    } kControls[] = {
        {w.z80_pane(), {0, 20, 300, 400}, {}},
        {w.to_8080_button(), {300, 22, 20, 20}, QStringLiteral(">")},
        {w.to_z80_button(), {300, 124, 20, 20}, QStringLiteral("<")},
        {labels[0], {0, 0, 300, 20}, QStringLiteral("z80 code")},
        {w.i8080_pane(), {320, 20, 320, 400}, {}},
        {labels[1], {320, 0, 320, 20}, QStringLiteral("8080 code")},
    };
    const QObjectList children = w.children();
    int previous = -1;
    for (const auto& c : kControls) {
      QCOMPARE(c.widget->geometry(), c.geometry);
      const int index = static_cast<int>(children.indexOf(c.widget));
      QVERIFY(index > previous);
      previous = index;
      if (auto* b = qobject_cast<QPushButton*>(c.widget)) QCOMPARE(b->text(), c.text);
      if (auto* l = qobject_cast<QLabel*>(c.widget)) {
        QCOMPARE(l->text(), c.text);
        QCOMPARE(l->alignment(), Qt::AlignCenter);
        QCOMPARE(l->frameShadow(), QFrame::Sunken);
      }
    }
    QCOMPARE(w.to_8080_button()->toolTip(), QStringLiteral("convert z80 to 8080"));
    QCOMPARE(w.to_z80_button()->toolTip(), QStringLiteral("convert 8080 to z80"));
    for (EditorPane* pane : {w.z80_pane(), w.i8080_pane()}) {
      QCOMPARE(pane->lineWrapMode(), QPlainTextEdit::NoWrap);
      QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
      QCOMPARE(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
      QCOMPARE(pane->tabStopDistance(), QFontMetricsF(pane->font()).horizontalAdvance(QLatin1Char(' ')) * 8);
      QCOMPARE(pane->palette().color(QPalette::Inactive, QPalette::Highlight),
               pane->palette().color(QPalette::Active, QPalette::Highlight));
    }
  }

  void tab_order_and_tab_key() {
    MainWindow& w = *window_;
    w.z80_pane()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.z80_pane());
    QTest::keyClick(w.z80_pane(), Qt::Key_Tab);  // types a tab
    QCOMPARE(w.z80_pane()->toPlainText(), QStringLiteral("\t"));
    QCOMPARE(QApplication::focusWidget(), w.z80_pane());
    QTest::keyClick(w.z80_pane(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), w.to_8080_button());
    QTest::keyClick(w.to_8080_button(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.to_z80_button());
    QTest::keyClick(w.to_z80_button(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.i8080_pane());
    QTest::keyClick(w.i8080_pane(), Qt::Key_Tab, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), w.z80_pane());  // wraps around
    QTest::keyClick(w.z80_pane(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), w.i8080_pane());
    QCOMPARE(w.i8080_pane()->toPlainText(), QString());
  }

  void pane_interface() {
    EditorPane& p = *window_->z80_pane();
    QCOMPARE(p.count_lines(), std::size_t{0});
    p.append_line(u"");
    QCOMPARE(lines_of(&p), Lines{u""});
    p.append_line(u"a");
    QCOMPARE(lines_of(&p), (Lines{u"", u"a"}));
    p.clear_pane();
    QCOMPARE(p.count_lines(), std::size_t{0});
    p.append_line(u"x");
    p.moveCursor(QTextCursor::Start);  // appending ignores the caret
    p.append_line(u"\ty");
    QCOMPARE(lines_of(&p), (Lines{u"x", u"\ty"}));
    QCOMPARE(p.textCursor().position(), p.document()->characterCount() - 1);
    p.setPlainText(QStringLiteral("abc"));
    QCOMPARE(p.count_lines(), std::size_t{1});
    p.setPlainText(QStringLiteral("abc\n"));
    QCOMPARE(lines_of(&p), (Lines{u"abc", u""}));
    QCOMPARE(p.all_lines(), lines_of(&p));
    const Lines batch = {u"", u"b", u""};
    p.replace_lines(batch);
    QCOMPARE(lines_of(&p), batch);
    p.replace_lines(Lines{u""});
    QCOMPARE(lines_of(&p), Lines{u""});
    QCOMPARE(p.all_lines(), Lines{u""});
  }

  void convert_buttons() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("start:\tld\ta,b\n\tld\ta,(ix+1)\n; note"));
    w.i8080_pane()->setPlainText(QStringLiteral("old\ntext\nhere\nand more"));
    QTest::mouseClick(w.to_8080_button(), Qt::LeftButton);
    QCOMPARE(lines_of(w.i8080_pane()),
             (Lines{u"start:\t\tmov\ta,b", u"; cannot convert:\tld\ta,(ix+1)", u"; note"}));
    QCOMPARE(w.i8080_pane()->marked_lines(), std::vector<std::size_t>{1});
    // The marked line is tinted, the others are not (the text itself is unchanged).
    const QImage shot = w.i8080_pane()->viewport()->grab().toImage();
    const auto line_colour = [&](int line) {
      const QTextCursor at(w.i8080_pane()->document()->findBlockByNumber(line));
      return shot.pixelColor(shot.width() - 5, w.i8080_pane()->cursorRect(at).center().y());
    };
    QVERIFY(line_colour(1) != line_colour(0));
    QCOMPARE(line_colour(0), line_colour(2));

    // Ctrl+Z takes back a typed edit first, then the whole conversion in one step.
    w.i8080_pane()->setFocus();
    QTest::keyClick(w.i8080_pane(), Qt::Key_Q);
    QVERIFY(w.i8080_pane()->marked_lines().empty());  // an edit drops the tint
    QTest::keyClick(w.i8080_pane(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.i8080_pane()->toPlainText(),
             QStringLiteral("start:\t\tmov\ta,b\n; cannot convert:\tld\ta,(ix+1)\n; note"));
    QTest::keyClick(w.i8080_pane(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.i8080_pane()->toPlainText(), QStringLiteral("old\ntext\nhere\nand more"));

    w.i8080_pane()->setPlainText(QStringLiteral("\tmov\ta,m\n\tzork\n"));
    QTest::mouseClick(w.to_z80_button(), Qt::LeftButton);
    QCOMPARE(lines_of(w.z80_pane()), (Lines{u"\tld\ta,(hl)", u";Cannot convert:\tzork", u""}));
    QCOMPARE(w.z80_pane()->marked_lines(), std::vector<std::size_t>{1});
    QTest::keyClick(w.z80_pane(), Qt::Key_X);
    QVERIFY(w.z80_pane()->marked_lines().empty());
    w.z80_pane()->set_marked_lines({0});
    w.z80_pane()->clear_pane();
    QVERIFY(w.z80_pane()->marked_lines().empty());

    w.z80_pane()->clear();  // an empty source empties the target
    QTest::mouseClick(w.to_8080_button(), Qt::LeftButton);
    QCOMPARE(w.i8080_pane()->count_lines(), std::size_t{0});
  }

  void context_menus() {
    MainWindow& w = *window_;
    const QStringList z80 = {"Cut", "Copy", "Paste", "---", "Select all"};
    const QStringList i8080 = {"Cut", "Copy", "Paste", "---", "Select All"};
    QCOMPARE(action_texts(w.z80_pane()->context_menu()), z80);
    QCOMPARE(action_texts(w.i8080_pane()->context_menu()), i8080);

    EditorPane* a = w.z80_pane();
    EditorPane* b = w.i8080_pane();
    a->setPlainText(QStringLiteral("ld a,b\nret"));
    b->setPlainText(QStringLiteral("mov a,b"));
    const auto item = [](EditorPane* p, int i) { p->context_menu()->actions()[i]->trigger(); };
    item(a, 4);  // select all
    QCOMPARE(a->textCursor().selectedText(), QStringLiteral("ld a,b\u2029ret"));
    QVERIFY(!b->textCursor().hasSelection());
    item(a, 1);  // copy
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ld a,b\nret"));
    item(b, 4);
    item(b, 0);  // cut
    QCOMPARE(b->toPlainText(), QString());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("mov a,b"));
    item(a, 2);  // paste over the selection
    QCOMPARE(a->toPlainText(), QStringLiteral("mov a,b"));

    // The menu opens at the mouse, one pixel up and left, also from the keyboard.
    QCursor::setPos(w.mapToGlobal(QPoint(100, 100)));
    QPoint shown_at;
    QTimer::singleShot(50, [&] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        shown_at = menu->pos();
        menu->close();
      }
    });
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(5, 5), a->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(a, &keyboard);
    QCOMPARE(shown_at, QCursor::pos() - QPoint(1, 1));
  }

  void file_drop() {
    QTemporaryDir dir;
    const auto file = [&](const QString& name, const QByteArray& bytes) {
      QFile f(dir.filePath(name));
      f.open(QIODevice::WriteOnly);
      f.write(bytes);
      return QUrl::fromLocalFile(dir.filePath(name));
    };
    EditorPane* pane = window_->z80_pane();
    const struct {
      QByteArray bytes;
      Lines want;
    } kFiles[] = {
        {"a\r\n\r\nb\r\n", {u"a", u"", u"b"}},
        {"a\n\nb\n", {u"a", u"", u"b"}},
        {"a\r\rb", {u"a", u"", u"b"}},
        {QByteArray("a\0b", 3), {u"a", u"b"}},
        {"\nfirst", {u"", u"first"}},
    };
    for (const auto& f : kFiles) {
      pane->setPlainText(QStringLiteral("old text"));
      auto* data = new QMimeData;
      data->setUrls({file(QStringLiteral("f.asm"), f.bytes)});
      QVERIFY(drag_and_drop(pane, data));
      QCOMPARE(lines_of(pane), f.want);
      delete data;
    }

    // Several files: the first is loaded.
    QMimeData several;
    several.setUrls({file(QStringLiteral("one.asm"), "one"), file(QStringLiteral("two.asm"), "two")});
    QVERIFY(drag_and_drop(window_->i8080_pane(), &several));
    QCOMPARE(lines_of(window_->i8080_pane()), Lines{u"one"});

    // A file that cannot be opened leaves the pane as it was.
    pane->setPlainText(QStringLiteral("keep"));
    QMimeData missing;
    missing.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.asm")))});
    QVERIFY(drag_and_drop(pane, &missing));
    QCOMPARE(pane->toPlainText(), QStringLiteral("keep"));

    // Dragged text is refused.
    QMimeData text;
    text.setText(QStringLiteral("ld a,b"));
    QVERIFY(!drag_and_drop(pane, &text));
    QCOMPARE(pane->toPlainText(), QStringLiteral("keep"));

    // Hostile files: binary data, a long line, ill-formed UTF-8 and zero bytes.
    QByteArray binary(300'000, '\0');
    for (qsizetype i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((static_cast<unsigned>(i) * 7919u) >> 3);
    const struct {
      QByteArray bytes;
      std::size_t lines;
    } kHostile[] = {
        {binary, engine::read_lines(std::string_view(binary.constData(), binary.size())).lines.size()},
        {QByteArray(1'000'000, 'x'), 1},
        {QByteArray("\xED\xA0\x80\xFF\n\0\n", 7), 3},
    };
    for (const auto& h : kHostile) {
      QMimeData data;
      data.setUrls({file(QStringLiteral("hostile.bin"), h.bytes)});
      QVERIFY(drag_and_drop(pane, &data));
      QCOMPARE(pane->count_lines(), h.lines);
    }
  }

  void scroll_coupling() {
    EditorPane* a = window_->z80_pane();
    EditorPane* b = window_->i8080_pane();
    a->setPlainText(numbered_lines(200, QStringLiteral("\tnop\t; %1")));
    b->setPlainText(numbered_lines(200, QStringLiteral("\tnop\t; %1")));
    a->scroll_to_line(40);
    QCOMPARE(b->first_visible_line(), 40);
    b->horizontalScrollBar()->setValue(0);
    b->scroll_to_line(75);
    QCOMPARE(a->first_visible_line(), 75);

    // The mouse wheel too.
    const int before = a->first_visible_line();
    QWheelEvent wheel(QPointF(10, 10), QPointF(a->mapToGlobal(QPoint(10, 10))), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(a->viewport(), &wheel);
    QVERIFY(a->first_visible_line() > before);
    QCOMPARE(b->first_visible_line(), a->first_visible_line());

    // A shorter pane goes as far as it can; the longer one stays where it was put.
    b->setPlainText(numbered_lines(50, QStringLiteral("x%1")));
    a->scroll_to_line(150);
    QCOMPARE(a->first_visible_line(), 150);
    QCOMPARE(b->first_visible_line(), b->verticalScrollBar()->maximum());
  }

  void escape_closes() {
    QVERIFY(window_->isVisible());
    QTest::keyClick(window_->z80_pane(), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
  }

  void close_box_closes() {
    QVERIFY(window_->close());
    QVERIFY(!window_->isVisible());
  }

  void centred() {
    QCOMPARE(frontend::centred_position({646, 506}, {0, 0, 1920, 1080}), QPoint(637, 287));
    QCOMPARE(frontend::centred_position({646, 506}, {100, 50, 600, 1080}), QPoint(100, 337));
    QCOMPARE(frontend::centred_position({646, 506}, {0, 0, 640, 400}), QPoint(0, 0));
  }

 private:
  std::unique_ptr<MainWindow> window_;
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
