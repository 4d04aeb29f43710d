// The converter window under Qt Test, on the offscreen platform. Dialogs are
// answered by a script; settings go to a scratch folder.
#include <QAction>
#include <QApplication>
#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <sys/stat.h>

#include <deque>
#include <random>
#include <fstream>

#include "engine/line_reader.hpp"
#include "frontend/edit_history.hpp"
#include "frontend/elided_label.hpp"
#include "frontend/editor_pane.hpp"
#include "frontend/find_bar.hpp"
#include "frontend/main_window.hpp"
#include "frontend/pane_commands.hpp"
#include "frontend/verdict_gutter.hpp"

using frontend::Dialogs;
using frontend::EditorPane;
using frontend::MainWindow;
using frontend::WindowSettings;
using frontend::add_recent;
using frontend::chosen_encoding;
using frontend::read_settings;

namespace {

using Lines = std::vector<std::u16string>;

// Answers the window's questions from a script and keeps what it was asked.
struct Script {
  std::deque<Dialogs::Answer> save_answers;
  std::deque<bool> open_answers;
  std::deque<bool> replace_answers;
  std::deque<QString> file_names;  // for the file choosers, in turn
  QStringList asked;               // "save: NAMES", "open anyway: NAME", "warn: TEXT", "open in: DIR", "save as: START"
};

class ScriptedDialogs final : public Dialogs {
 public:
  explicit ScriptedDialogs(Script& script) : s_(script) {}
  Answer ask_save_changes(QWidget*, const QString& names) override {
    s_.asked << QStringLiteral("save: ") + names;
    return take(s_.save_answers, Answer::cancel);
  }
  bool ask_replace(QWidget*, const QString& text) override {
    s_.asked << QStringLiteral("replace: ") + text;
    return take(s_.replace_answers, false);
  }
  bool ask_open_anyway(QWidget*, const QString& name) override {
    s_.asked << QStringLiteral("open anyway: ") + name;
    return take(s_.open_answers, false);
  }
  void warn(QWidget*, const QString& text) override { s_.asked << QStringLiteral("warn: ") + text; }
  QString open_file_name(QWidget*, const QString&, const QString& start, const QString& filters) override {
    s_.asked << QStringLiteral("open in: ") + start + QStringLiteral(" | ") + filters;
    return take(s_.file_names, QString());
  }
  QString save_file_name(QWidget*, const QString&, const QString& start, const QString&) override {
    s_.asked << QStringLiteral("save as: ") + start;
    return take(s_.file_names, QString());
  }

 private:
  template <typename T>
  static T take(std::deque<T>& q, T otherwise) {
    if (q.empty()) return otherwise;
    T t = q.front();
    q.pop_front();
    return t;
  }
  Script& s_;
};

Lines lines_of(const EditorPane* pane) { return pane->all_lines(); }

QStringList action_texts(const QMenu* menu) {
  QStringList texts;
  for (const QAction* a : menu->actions()) {
    texts << (a->isSeparator() && a->text().isEmpty() ? QStringLiteral("---") : a->text());
  }
  return texts;
}

QString numbered_lines(int n, const QString& text) {
  QStringList lines;
  for (int i = 0; i < n; ++i) lines << text.arg(i);
  return lines.join(QLatin1Char('\n'));
}

QByteArray read_bytes(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

void write_bytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
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
  void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_dir_.path()); }

  void init() {
    QSettings(QStringLiteral("z80tools"), QStringLiteral("converter")).clear();
    reopen();
  }
  void cleanup() {
    // Whatever a test left unsaved goes without a question.
    for (EditorPane* p : {window_->z80_pane(), window_->i8080_pane()}) p->document()->setModified(false);
    window_.reset();
  }

  void controls() {
    MainWindow& w = *window_;
    QCOMPARE(w.client()->size(), QSize(640, 480));  // the client area's size, fixed as its minimum
    QCOMPARE(w.client()->minimumSize(), QSize(640, 480));
    QVERIFY(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!w.windowIcon().isNull());
    const auto labels = w.client()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(labels.size(), 2);
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
    const QObjectList children = w.client()->children();
    int previous = -1;
    for (const auto& c : kControls) {
      QCOMPARE(c.widget->geometry(), c.geometry);
      const int index = static_cast<int>(children.indexOf(c.widget));
      QVERIFY(index > previous);
      previous = index;
      if (auto* b = qobject_cast<QPushButton*>(c.widget)) QCOMPARE(b->text(), c.text);
      if (auto* l = qobject_cast<QLabel*>(c.widget)) QCOMPARE(l->text(), c.text);
    }
    QCOMPARE(w.to_8080_button()->toolTip(), QStringLiteral("convert z80 to 8080"));
    QCOMPARE(w.to_z80_button()->toolTip(), QStringLiteral("convert 8080 to z80"));
    for (EditorPane* pane : {w.z80_pane(), w.i8080_pane()}) {
      QCOMPARE(pane->lineWrapMode(), QPlainTextEdit::NoWrap);
      const QFontMetricsF metrics(pane->font());  // every printable character one width
      for (char c = '!'; c <= '~'; ++c) {
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char(c)), metrics.horizontalAdvance(QLatin1Char(' ')));
      }
      QCOMPARE(pane->tabStopDistance(), QFontMetricsF(pane->font()).horizontalAdvance(QLatin1Char(' ')) * 8);
    }
    // Bigger: the panes share the width and take the height, the buttons stay between them.
    w.resize(w.size() + QSize(200, 100));
    QTRY_COMPARE(w.client()->width(), 840);
    QCOMPARE(w.z80_pane()->geometry(), QRect(0, 20, 400, 500));
    QCOMPARE(w.to_8080_button()->geometry(), QRect(400, 22, 20, 20));
    QCOMPARE(w.i8080_pane()->geometry(), QRect(420, 20, 420, 500));
  }

  void menus_and_keys() {
    MainWindow& w = *window_;
    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&Edit", "&View", "&Convert"}));
    const struct {
      const char* action;
      QKeySequence key;
    } kKeys[] = {
        {"open_z80", QKeySequence::Open},           {"save", QKeySequence::Save},
        {"save_as", QKeySequence("Ctrl+Shift+S")},  {"quit", QKeySequence("Ctrl+Q")},
        {"undo", QKeySequence::Undo},               {"redo", QKeySequence("Ctrl+Y")},
        {"find", QKeySequence::Find},               {"find_next", QKeySequence("F3")},
        {"find_previous", QKeySequence("Shift+F3")}, {"next_marked", QKeySequence("F8")},
        {"previous_marked", QKeySequence("Shift+F8")}, {"zoom_in", QKeySequence::ZoomIn},
        {"zoom_reset", QKeySequence("Ctrl+0")},     {"convert_to_8080", QKeySequence("Ctrl+.")},
        {"convert_to_z80", QKeySequence("Ctrl+,")},
    };
    for (const auto& k : kKeys) QCOMPARE(w.action(k.action)->shortcut(), k.key);
    QVERIFY(w.action("redo")->shortcuts().contains(QKeySequence("Ctrl+Shift+Z")));
    QVERIFY(w.action("jr_as_jump")->isCheckable());
    QCOMPARE(w.action("convert_to_8080")->text(), QStringLiteral("Z80 -> 8080"));
    QCOMPARE(w.action("convert_to_z80")->text(), QStringLiteral("8080 -> Z80"));
    // The keys convert.
    w.z80_pane()->setPlainText(QStringLiteral("\tld\ta,b"));
    w.z80_pane()->setFocus();
    QTest::keyClick(w.z80_pane(), Qt::Key_Period, Qt::ControlModifier);
    QCOMPARE(lines_of(w.i8080_pane()), Lines{u"\tmov\ta,b"});
  }

  void tab_order_and_tab_key() {
    MainWindow& w = *window_;
    w.z80_pane()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.z80_pane());
    QTest::keyClick(w.z80_pane(), Qt::Key_Tab);  // types a tab
    QCOMPARE(w.z80_pane()->toPlainText(), QStringLiteral("\t"));
    QTest::keyClick(w.z80_pane(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), w.to_8080_button());
    QTest::keyClick(w.to_8080_button(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.to_z80_button());
    QTest::keyClick(w.to_z80_button(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.i8080_pane());
    QTest::keyClick(w.z80_pane(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), w.to_z80_button());
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
    p.setPlainText(QStringLiteral("abc\n"));
    QCOMPARE(lines_of(&p), (Lines{u"abc", u""}));
    const Lines batch = {u"", u"b", u""};
    p.replace_lines(batch);
    QCOMPARE(lines_of(&p), batch);
    p.replace_lines(Lines{u""});
    QCOMPARE(lines_of(&p), Lines{u""});
  }

  void convert_tint_and_status() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("start:\tld\ta,b\n\tld\ta,(ix+1)\n; note\n\tjr\tx"));
    w.i8080_pane()->setPlainText(QStringLiteral("old\ntext"));
    QTest::mouseClick(w.to_8080_button(), Qt::LeftButton);
    QCOMPARE(lines_of(w.i8080_pane()), (Lines{u"start:\t\tmov\ta,b", u"; cannot convert:\tld\ta,(ix+1)", u"; note",
                                              u"; cannot convert:\tjr\tx"}));
    QCOMPARE(w.i8080_pane()->marked_lines(), (std::vector<std::size_t>{1, 3}));
    // The marked line is tinted, the others are not.
    const QImage shot = w.i8080_pane()->viewport()->grab().toImage();
    const auto line_colour = [&](int line) {
      const QTextCursor at(w.i8080_pane()->document()->findBlockByNumber(line));
      return shot.pixelColor(shot.width() - 5, w.i8080_pane()->cursorRect(at).center().y());
    };
    QVERIFY(line_colour(1) != line_colour(0));
    QCOMPARE(line_colour(0), line_colour(2));
    QTRY_COMPARE(w.pane_status(w.z80_pane())->text(), QStringLiteral("Z80 4 lines, 0 marked"));
    QTRY_COMPARE(w.pane_status(w.i8080_pane())->text(), QStringLiteral("8080 4 lines, 2 marked"));
    w.i8080_pane()->setFocus();
    w.i8080_pane()->go_to_line(3, false);
    // Each line says how it was decided, a marked one why.
    const QString kLines[] = {
        QStringLiteral("Line 1: rule 21: rewrite"),
        QStringLiteral("Line 2: (ix+d): index registers do not exist on the 8080 [index-register]"),
        QStringLiteral("Line 3: comment"),
        QStringLiteral("Line 4: jr: relative jump; the 8080 has none (the Convert menu or --jr-as-jump can make it an "
                       "absolute jump) [relative-jump]"),
    };
    for (int line = 0; line < 4; ++line) {
      w.i8080_pane()->go_to_line(line, false);
      QTRY_COMPARE(w.line_status()->full_text(), kLines[line]);
    }
    // Editing a line drops its own tint only.
    w.i8080_pane()->go_to_line(1, false);
    QTest::keyClick(w.i8080_pane(), Qt::Key_Q);
    QCOMPARE(w.i8080_pane()->marked_lines(), std::vector<std::size_t>{3});
    QTRY_COMPARE(w.pane_status(w.i8080_pane())->text(), QStringLiteral("8080 4 lines, 1 marked"));
  }

  void undo_and_redo_from_every_widget() {
    MainWindow& w = *window_;
    for (int focus = 0; focus < 3; ++focus) {
      QWidget* target = focus == 0 ? static_cast<QWidget*>(w.z80_pane())
                        : focus == 1 ? static_cast<QWidget*>(w.i8080_pane())
                                     : static_cast<QWidget*>(w.to_8080_button());
      w.z80_pane()->setPlainText(QStringLiteral("\tld\ta,b\n\tjr\tx"));
      w.i8080_pane()->setPlainText(QStringLiteral("old"));
      w.i8080_pane()->setFocus();
      QTest::keyClick(w.i8080_pane(), Qt::Key_End, Qt::ControlModifier);
      QTest::keyClicks(w.i8080_pane(), "er");  // typed before the conversion
      QTest::mouseClick(w.to_8080_button(), Qt::LeftButton);
      target->setFocus();
      QTRY_COMPARE(QApplication::focusWidget(), target);
      QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
      QCOMPARE(w.i8080_pane()->toPlainText(), QStringLiteral("older"));
      QTest::keyClick(target, Qt::Key_Y, Qt::ControlModifier);
      QCOMPARE(lines_of(w.i8080_pane()), (Lines{u"\tmov\ta,b", u"; cannot convert:\tjr\tx"}));
      QCOMPARE(w.i8080_pane()->marked_lines(), std::vector<std::size_t>{1});  // with its tints
      QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // nothing left to redo
      QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
      QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);  // the typing before it
      QCOMPARE(w.i8080_pane()->toPlainText(), QStringLiteral("old"));
      QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      QCOMPARE(w.i8080_pane()->toPlainText(), QStringLiteral("older"));
    }
  }

  void context_menus() {
    MainWindow& w = *window_;
    QCOMPARE(action_texts(w.z80_pane()->context_menu()),
             (QStringList{"Undo", "Redo", "---", "Cut", "Copy", "Paste", "---", "Select all"}));
    QCOMPARE(action_texts(w.i8080_pane()->context_menu()),
             (QStringList{"Undo", "Redo", "---", "Cut", "Copy", "Paste", "---", "Select All"}));
    for (QAction* a : w.z80_pane()->context_menu()->actions()) {
      QVERIFY(a->isSeparator() || (!a->shortcut().isEmpty() && a->isShortcutVisibleInContextMenu()));
    }
    EditorPane* a = w.z80_pane();
    EditorPane* b = w.i8080_pane();
    a->setPlainText(QStringLiteral("ld a,b\nret"));
    b->setPlainText(QStringLiteral("mov a,b"));
    const auto item = [](EditorPane* p, int i) { return p->context_menu()->actions()[i]; };
    emit a->context_menu()->aboutToShow();
    QVERIFY(!item(a, 3)->isEnabled() && !item(a, 4)->isEnabled());  // no selection: no cut, no copy
    item(a, 7)->trigger();  // select all
    emit a->context_menu()->aboutToShow();
    QVERIFY(item(a, 3)->isEnabled() && item(a, 4)->isEnabled());
    item(a, 4)->trigger();  // copy
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ld a,b\nret"));
    item(b, 7)->trigger();
    item(b, 3)->trigger();  // cut
    QCOMPARE(b->toPlainText(), QString());
    item(a, 5)->trigger();  // paste over the selection
    QCOMPARE(a->toPlainText(), QStringLiteral("mov a,b"));
    // Undo, from either menu: the window's one history, last change first.
    item(b, 0)->trigger();
    QCOMPARE(a->toPlainText(), QStringLiteral("ld a,b\nret"));
    item(b, 0)->trigger();
    QCOMPARE(b->toPlainText(), QStringLiteral("mov a,b"));
  }

  void files_round_trip() {
    MainWindow& w = *window_;
    const QByteArray kFiles[] = {
        "\tld\ta,b\n\tret\n",
        "\tld\ta,b\r\n\tret\r\n",
        "\tld\ta,b\rx",
        "\xEF\xBB\xBF\tld\ta,b\n",
        "no final line end",
        QByteArray("\xFF\xFE\t\0r\0e\0t\0\r\0\n\0", 14),
        "\tld a,b ; x\xE2\x80\xA9y\xE2\x80\xA8z\n",
        "",
    };
    for (const QByteArray& bytes : kFiles) {
      const QString path = dir_->filePath(QStringLiteral("in.z80"));
      write_bytes(path, bytes);
      QVERIFY(w.open_file(w.z80_pane(), path));
      QVERIFY(!w.unsaved(w.z80_pane()));
      const QString out = dir_->filePath(QStringLiteral("out.z80"));
      script_.file_names.push_back(out);
      QVERIFY(w.save_as(w.z80_pane()));
      QCOMPARE(read_bytes(out), bytes);
    }
    // Save writes back to the file it came from, in its form.
    const QString path = dir_->filePath(QStringLiteral("crlf.asm"));
    write_bytes(path, "\tmov\ta,b\r\n");
    QVERIFY(w.open_file(w.i8080_pane(), path));
    w.i8080_pane()->setFocus();
    QTest::keyClick(w.i8080_pane(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(w.i8080_pane(), Qt::Key_Return);
    QTest::keyClick(w.i8080_pane(), Qt::Key_Tab);
    QTest::keyClicks(w.i8080_pane(), "ret");
    QVERIFY(w.unsaved(w.i8080_pane()));
    QVERIFY(w.save(w.i8080_pane()));
    QCOMPARE(read_bytes(path), QByteArray("\tmov\ta,b\r\n\tret\r\n"));
    QVERIFY(!w.unsaved(w.i8080_pane()));
  }

  void failed_saves_keep_the_old_file() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("\tnop"));
    for (const QString& where : {dir_->filePath(QStringLiteral("missing/folder/x.z80")), dir_->path()}) {
      script_.file_names.push_back(where);
      QVERIFY(!w.save_as(w.z80_pane()));
      QVERIFY(script_.asked.last().startsWith(QStringLiteral("warn: The file was not saved: cannot write")));
    }
    if (::geteuid() != 0) {  // root writes anywhere
      const QString ro = dir_->filePath(QStringLiteral("ro"));
      QDir().mkpath(ro);
      write_bytes(ro + QStringLiteral("/x.z80"), "old");
      ::chmod(ro.toLocal8Bit().constData(), 0555);
      script_.file_names.push_back(ro + QStringLiteral("/x.z80"));
      QVERIFY(!w.save_as(w.z80_pane()));
      QCOMPARE(read_bytes(ro + QStringLiteral("/x.z80")), QByteArray("old"));
      ::chmod(ro.toLocal8Bit().constData(), 0755);
    }
  }

  void title_and_proposed_name() {
    MainWindow& w = *window_;
    // The title as shown: Qt puts "*" for the "[*]" after an unsaved pane's name.
    QVERIFY(!w.isWindowModified());
    QCOMPARE(w.windowHandle()->title(), QStringLiteral("untitled | untitled - Z80 / 8080 source converter"));
    const QString path = dir_->filePath(QStringLiteral("prog.z80"));
    write_bytes(path, "\tld\ta,b\n");
    QVERIFY(w.open_file(w.z80_pane(), path));
    QCOMPARE(w.windowHandle()->title(), QStringLiteral("prog.z80 | untitled - Z80 / 8080 source converter"));
    w.z80_pane()->setFocus();
    QTest::keyClick(w.z80_pane(), Qt::Key_X);
    QCOMPARE(w.windowHandle()->title(), QStringLiteral("prog.z80* | untitled - Z80 / 8080 source converter"));
    QVERIFY(w.isWindowModified());
    w.convert_z80_to_8080();
    QCOMPARE(w.windowHandle()->title(), QStringLiteral("prog.z80* | untitled* - Z80 / 8080 source converter"));
    // A converted pane proposes the other pane's name with its own extension.
    script_.file_names.push_back(QString());
    QVERIFY(!w.save_as(w.i8080_pane()));
    QCOMPARE(script_.asked.last(), QStringLiteral("save as: ") + dir_->filePath(QStringLiteral("prog.asm")));
  }

  void unsaved_text_is_asked_about() {
    const struct {
      int way;  // 0: Escape, 1: the close box, 2: Quit
      Dialogs::Answer answer;
      bool closes;
      const char* save_as = "saved.z80";  // the name given to Save As: "" cancels it, a missing folder fails
    } kCases[] = {
        {2, Dialogs::Answer::save, false, ""}, {2, Dialogs::Answer::save, false, "missing/saved.z80"},
        {1, Dialogs::Answer::save, false, ""},
        {0, Dialogs::Answer::cancel, false}, {0, Dialogs::Answer::discard, true}, {0, Dialogs::Answer::save, true},
        {1, Dialogs::Answer::cancel, false}, {1, Dialogs::Answer::discard, true}, {1, Dialogs::Answer::save, true},
        {2, Dialogs::Answer::cancel, false}, {2, Dialogs::Answer::discard, true}, {2, Dialogs::Answer::save, true},
    };
    for (const auto& c : kCases) {
      init();
      MainWindow& w = *window_;
      w.z80_pane()->setFocus();
      QTest::keyClick(w.z80_pane(), Qt::Key_Tab);
      QTest::keyClicks(w.z80_pane(), "nop");  // typed text is unsaved
      script_.save_answers.push_back(c.answer);
      const QString out = dir_->filePath(QStringLiteral("saved.z80"));
      script_.file_names.push_back(*c.save_as ? dir_->filePath(QString::fromLatin1(c.save_as)) : QString());
      if (c.way == 0) QTest::keyClick(w.z80_pane(), Qt::Key_Escape);
      if (c.way == 1) w.close();
      if (c.way == 2) w.action("quit")->trigger();
      QCOMPARE(script_.asked.first(), QStringLiteral("save: the untitled Z80 text"));
      QCOMPARE(w.isVisible(), !c.closes);
      QCOMPARE(QFile::exists(out), c.answer == Dialogs::Answer::save && c.closes);
      QCOMPARE(w.z80_pane()->toPlainText(), QStringLiteral("\tnop"));  // kept, also when the window stays
      cleanup();
    }
    init();
    window_->z80_pane()->setPlainText(QStringLiteral("\tnop"));  // set, not typed: nothing to lose
    window_->close();
    QVERIFY(script_.asked.isEmpty());
    QVERIFY(!window_->isVisible());
  }

  void refused_and_questioned_files() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("keep"));
    const QString fifo = dir_->filePath(QStringLiteral("fifo"));
    ::mkfifo(fifo.toLocal8Bit().constData(), 0600);
    const QString big = dir_->filePath(QStringLiteral("big.z80"));
    {
      std::ofstream f(big.toStdString(), std::ios::binary);
      f.seekp((65 << 20) - 1);
      f.put('x');
    }
    const struct {
      QString path;
      QString message;
    } kRefused[] = {
        {dir_->path(), QStringLiteral("is a folder")},
        {fifo, QStringLiteral("is not a regular file")},
        {QStringLiteral("/dev/zero"), QStringLiteral("is not a regular file")},
        {big, QStringLiteral("is larger than 64 MiB")},
        {dir_->filePath(QStringLiteral("missing.z80")), QStringLiteral("No such file")},
    };
    for (const auto& r : kRefused) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(r.path)});
      QVERIFY(drag_and_drop(w.z80_pane(), &data));
      QVERIFY2(script_.asked.last().contains(r.message), qPrintable(script_.asked.last()));
      QCOMPARE(w.z80_pane()->toPlainText(), QStringLiteral("keep"));
    }
    // Binary: only after a question.
    const QString binary = dir_->filePath(QStringLiteral("bin.z80"));
    write_bytes(binary, QByteArray("a\0b\xFF\n", 5));
    script_.open_answers = {false, true};
    QVERIFY(!w.open_file(w.z80_pane(), binary));
    QCOMPARE(w.z80_pane()->toPlainText(), QStringLiteral("keep"));
    QVERIFY(w.open_file(w.z80_pane(), binary));
    QCOMPARE(lines_of(w.z80_pane()), (Lines{u"a", u"b\u044F"}));  // an 8-bit text, read byte for byte
    // Text that is not typed is not dragged in.
    QMimeData text;
    text.setText(QStringLiteral("ld a,b"));
    QVERIFY(!drag_and_drop(w.z80_pane(), &text));
  }

  void sizes_and_zero_bytes() {
    MainWindow& w = *window_;
    const QString path = dir_->filePath(QStringLiteral("f.z80"));
    const struct {
      QByteArray bytes;
      bool asks;
    } kFiles[] = {
        {"", false},                          // an empty file is text
        {QByteArray("\tnop\0\n", 6), true},  // a zero byte is not
        {QByteArray("\0", 1), true},
    };
    for (const auto& f : kFiles) {
      write_bytes(path, f.bytes);
      script_.asked.clear();
      script_.open_answers = {false};
      QCOMPARE(w.open_file(w.z80_pane(), path), !f.asks);
      QCOMPARE(script_.asked.size(), f.asks ? 1 : 0);
    }
    // The limit is "over 64 MiB": a file of exactly 64 MiB opens.
    {
      const std::string line(16383, 'x');
      std::ofstream out(path.toStdString(), std::ios::binary);
      for (int i = 0; i < 4096; ++i) out << line << '\n';
    }
    QCOMPARE(QFileInfo(path).size(), qint64{64} << 20);
    script_.asked.clear();
    QVERIFY(w.open_file(w.z80_pane(), path));
    QVERIFY(script_.asked.isEmpty());
    QCOMPARE(w.z80_pane()->count_lines(), std::size_t{4096});
  }

  void never_the_other_panes_file_without_a_question() {
    MainWindow& w = *window_;
    const QString source = dir_->filePath(QStringLiteral("prog.asm"));  // Z80, named as many are
    const QByteArray kSource = "\tld\ta,b\n";
    write_bytes(source, kSource);
    QVERIFY(w.open_file(w.z80_pane(), source));
    w.convert_z80_to_8080();
    script_.file_names.push_back(QString());
    QVERIFY(!w.save(w.i8080_pane()));
    QCOMPARE(script_.asked.last(), QStringLiteral("save as: ") + dir_->filePath(QStringLiteral("prog-8080.asm")));
    QFile::link(source, dir_->filePath(QStringLiteral("link.asm")));
    QVERIFY(::link(source.toLocal8Bit().constData(), dir_->filePath(QStringLiteral("hard.asm")).toLocal8Bit().constData()) == 0);
    const struct {
      const char* name;  // the name picked in Save As: each leads to prog.asm
      bool answer;
    } kPicked[] = {{"prog.asm", false}, {"./prog.asm", false}, {"link.asm", false}, {"hard.asm", false}, {"prog.asm", true}};
    for (const auto& p : kPicked) {
      script_.file_names.push_back(dir_->path() + QLatin1Char('/') + QString::fromLatin1(p.name));
      script_.replace_answers.push_back(p.answer);
      QCOMPARE(w.save_as(w.i8080_pane()), p.answer);
      QCOMPARE(script_.asked.last(),
               QStringLiteral("replace: %1 is the file shown in the Z80 pane. Replace it with the text of the 8080 pane?")
                   .arg(QFileInfo(p.name).fileName()));
      QCOMPARE(read_bytes(source) == kSource, !p.answer);
      QCOMPARE(w.unsaved(w.z80_pane()), p.answer);  // the source now lives only in its pane
    }
    // A read-only file is asked about too (also for root, who could write it).
    const QString ro = dir_->filePath(QStringLiteral("ro.asm"));
    write_bytes(ro, "old");
    QFile::setPermissions(ro, QFileDevice::ReadOwner);
    script_.file_names.push_back(ro);
    QVERIFY(!w.save_as(w.i8080_pane()));
    QCOMPARE(script_.asked.last(), QStringLiteral("replace: ro.asm is read-only. Replace it all the same?"));
    QCOMPARE(read_bytes(ro), QByteArray("old"));
  }

  void a_conversion_belongs_to_its_source() {
    MainWindow& w = *window_;
    const QString a = dir_->filePath(QStringLiteral("a.z80")), b = dir_->filePath(QStringLiteral("b.z80"));
    const QString out = dir_->filePath(QStringLiteral("out.8080"));
    write_bytes(a, "\tld\ta,b\n");
    write_bytes(b, "\tld\ta,c\n");
    QVERIFY(w.open_file(w.z80_pane(), a));
    w.convert_z80_to_8080();
    script_.file_names.push_back(out);
    QVERIFY(w.save(w.i8080_pane()));
    // The same source again, now with CR LF: the pane keeps its file and that file's form.
    write_bytes(a, "\tld\ta,d\r\n");
    QVERIFY(w.open_file(w.z80_pane(), a));
    w.convert_z80_to_8080();
    QCOMPARE(w.file_of(w.i8080_pane()), out);
    QVERIFY(w.save(w.i8080_pane()));
    QCOMPARE(read_bytes(out), QByteArray("\tmov\ta,d\n"));
    // Another source: the translation is untitled and proposes the source's name.
    QVERIFY(w.open_file(w.z80_pane(), b));
    w.convert_z80_to_8080();
    QCOMPARE(w.file_of(w.i8080_pane()), QString());
    script_.file_names.push_back(QString());
    QVERIFY(!w.save(w.i8080_pane()));
    QCOMPARE(script_.asked.last(), QStringLiteral("save as: ") + dir_->filePath(QStringLiteral("b.asm")));
    QCOMPARE(read_bytes(out), QByteArray("\tmov\ta,d\n"));
    // Undo brings back the translation with its file.
    w.undo();
    QCOMPARE(w.file_of(w.i8080_pane()), out);
  }

  void convert_undo_then_type() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("\tld\ta,b"));
    w.convert_z80_to_8080();
    w.undo();
    w.i8080_pane()->setFocus();
    QTest::keyClicks(w.i8080_pane(), "nop");
    QCOMPARE(w.i8080_pane()->toPlainText(), QStringLiteral("nop"));
    w.redo();  // nothing to redo after typing: the conversion is gone for good
    QCOMPARE(w.i8080_pane()->toPlainText(), QStringLiteral("nop"));
  }

  // Whatever the order of edits, undos, redos and conversions, the marked
  // lines, the count and F8 agree with a count made from the text alone.
  void marks_follow_the_text_through_undo() {
    MainWindow& w = *window_;
    QVERIFY(w.open_file(w.z80_pane(), QStringLiteral(TEST_DATA_DIR "/monitor.z80")));
    EditorPane* p = w.i8080_pane();
    w.convert_z80_to_8080();
    QCOMPARE(p->textCursor().blockNumber(), 0);
    // A hand fix of a marked line, undone: the mark is back.
    const int first = static_cast<int>(p->marked_lines().at(0));
    p->go_to_line(first, true);
    QTest::keyClicks(p, "\tnop");
    QVERIFY(!p->is_marked(first));
    w.undo();
    QVERIFY(p->is_marked(first));

    std::mt19937 random(21);
    // Typing, deleting, splitting lines, undo, redo, converting again, in random order.
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, std::max(n - 1, 0))(random); };
    for (int step = 0; step < 400; ++step) {
      const int op = pick(10);
      QTextCursor c(p->document()->findBlockByNumber(pick(p->document()->blockCount())));
      if (op <= 2) {  // type at a line's start or end, or over part of it
        if (op == 1) c.movePosition(QTextCursor::EndOfBlock);
        if (op == 2) c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, pick(4) + 1);
        const QString kTyped[] = {QStringLiteral("x"), QStringLiteral("; cannot convert:\tjr\tx"), QStringLiteral("l:\t"),
                                  QStringLiteral("\t")};
        c.insertText(kTyped[pick(4)]);
      } else if (op == 3) {  // remove lines
        c.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, pick(3) + 1);
        c.removeSelectedText();
      } else if (op == 4) {  // break a line
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, pick(3));
        c.insertText(QStringLiteral("\n"));
      } else if (op <= 6) {
        w.undo();
      } else if (op <= 8) {
        w.redo();
      } else {
        w.convert_z80_to_8080();
      }
      std::vector<std::size_t> want;
      for (QTextBlock b = p->document()->begin(); b.isValid(); b = b.next()) {
        if (frontend::carries_marking(b.text().toStdU16String(), engine::kZ80To8080Marking)) {  // from scratch
          want.push_back(static_cast<std::size_t>(b.blockNumber()));
        }
      }
      QCOMPARE(p->marked_lines(), want);
      QTRY_VERIFY(w.pane_status(p)->text().contains(QStringLiteral(", %1 ").arg(want.size())));
      // F8 stops at marked lines and at unproven ones (a verdict stays with
      // its line when lines above come or go: only edited lines are proven again).
      std::vector<int> stops;
      for (QTextBlock b = p->document()->begin(); b.isValid(); b = b.next()) {
        const bool marked = std::binary_search(want.begin(), want.end(), static_cast<std::size_t>(b.blockNumber()));
        if (marked || frontend::verdict_of(b) == engine::Proof::unproven) stops.push_back(b.blockNumber());
      }
      if (!stops.empty()) {
        p->setFocus();
        p->go_to_line(stops.front(), false);
        w.next_marked();
        QCOMPARE(p->textCursor().blockNumber(), stops.size() > 1 ? stops[1] : stops[0]);
      }
    }
  }

  void no_display_no_abort() {
    QProcess converter;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    converter.setProcessEnvironment(env);
    converter.start(QStringLiteral(CONVERTER_PATH), {QStringLiteral("x.z80")});
    QVERIFY(converter.waitForFinished(20000));
    QCOMPARE(converter.exitStatus(), QProcess::NormalExit);
    QCOMPARE(converter.exitCode(), 2);
    QCOMPARE(converter.readAllStandardError(), QByteArray("converter needs a display (DISPLAY or WAYLAND_DISPLAY)\n"));
  }

  void dialog_keys() {
    const auto save = frontend::save_changes_box(nullptr, QStringLiteral("a.z80"));
    QCOMPARE(save->button(QMessageBox::Save)->text(), QStringLiteral("&Save"));
    QCOMPARE(save->button(QMessageBox::Discard)->text(), QStringLiteral("&Don't Save"));
    QCOMPARE(save->escapeButton(), save->button(QMessageBox::Cancel));
    const auto replace = frontend::replace_box(nullptr, QStringLiteral("x"));
    QCOMPARE(replace->button(QMessageBox::Yes)->text(), QStringLiteral("&Replace"));
    QCOMPARE(replace->defaultButton(), replace->button(QMessageBox::Cancel));
    QCOMPARE(replace->escapeButton(), replace->button(QMessageBox::Cancel));
  }

  void recent_files_and_folders() {
    MainWindow& w = *window_;
    const QString a = dir_->filePath(QStringLiteral("a.z80")), b = dir_->filePath(QStringLiteral("b.asm"));
    write_bytes(a, "\tnop\n");
    write_bytes(b, "\tnop\n");
    QVERIFY(w.open_file(w.z80_pane(), a));
    QVERIFY(w.open_file(w.i8080_pane(), b));
    script_.file_names.push_back(QString());
    w.z80_pane()->setFocus();
    w.action("open_z80")->trigger();
    QCOMPARE(script_.asked.last(), QStringLiteral("open in: ") + dir_->path() +
                                       QStringLiteral(" | Z80 source (*.z80 *.asm *.mac *.s *.inc);;All files (*)"));
    QMenu* recent = w.action("recent")->menu();
    emit recent->aboutToShow();
    QCOMPARE(action_texts(recent), (QStringList{"Z80", a, "8080", b}));
    // Settings outlive the window.
    reopen();
    emit window_->action("recent")->menu()->aboutToShow();
    QCOMPARE(action_texts(window_->action("recent")->menu()), (QStringList{"Z80", a, "8080", b}));
  }

  // Settings an earlier version stored are read by the same keys.
  void stored_settings_are_read() {
    QSettings raw(QStringLiteral("z80tools"), QStringLiteral("converter"));
    raw.setValue(QStringLiteral("fontSize"), 13);
    raw.setValue(QStringLiteral("keepLayout"), true);
    raw.setValue(QStringLiteral("lastFolder"), QStringLiteral("/src"));
    raw.setValue(QStringLiteral("recent/8080"), QStringList{QStringLiteral("/src/a.asm")});
    raw.setValue(QStringLiteral("encodings//src/b.z80"), QStringLiteral("cp866"));
    raw.sync();
    const WindowSettings s = read_settings();
    QCOMPARE(s.font_points, 13);
    QVERIFY(s.keep_layout && !s.jr_as_jump && !s.wide_window);
    QCOMPARE(s.last_folder, QStringLiteral("/src"));
    QCOMPARE(s.recent_8080, QStringList{QStringLiteral("/src/a.asm")});
    QVERIFY(s.recent_z80.isEmpty());
    QCOMPARE(chosen_encoding(QStringLiteral("/src/b.z80")), std::optional(engine::Encoding::cp866));
  }

  void recent_lists_keep_the_newest_eight() {
    const QStringList eight = {"1", "2", "3", "4", "5", "6", "7", "8"};
    const struct {
      QStringList before;
      QString path;
      QStringList after;
    } kCases[] = {
        {{}, "a", {"a"}},
        {{"a", "b", "c"}, "c", {"c", "a", "b"}},  // once, moved to the front
        {eight, "9", {"9", "1", "2", "3", "4", "5", "6", "7"}},
    };
    for (auto c : kCases) {
      add_recent(c.before, c.path);
      QCOMPARE(c.before, c.after);
    }
  }

  void scrolling_together_by_keys() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(numbered_lines(300, QStringLiteral("\tnop\t; %1")));
    w.i8080_pane()->setPlainText(numbered_lines(300, QStringLiteral("\tnop\t; %1")));
    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
    } kKeys[] = {
        {Qt::Key_PageDown, Qt::NoModifier}, {Qt::Key_Down, Qt::NoModifier},   {Qt::Key_End, Qt::ControlModifier},
        {Qt::Key_PageUp, Qt::NoModifier},   {Qt::Key_Up, Qt::NoModifier},     {Qt::Key_Home, Qt::ControlModifier},
        {Qt::Key_Down, Qt::ShiftModifier},
    };
    for (EditorPane* pane : {w.z80_pane(), w.i8080_pane()}) {
      EditorPane* other = pane == w.z80_pane() ? w.i8080_pane() : w.z80_pane();
      pane->setFocus();
      for (const auto& k : kKeys) {
        for (int i = 0; i < 30; ++i) QTest::keyClick(pane, k.key, k.modifiers);
        QCOMPARE(other->first_visible_line(), pane->first_visible_line());
      }
      QTest::keyClick(pane, Qt::Key_End, Qt::ControlModifier);
      QVERIFY(pane->first_visible_line() > 200);
      QCOMPARE(other->first_visible_line(), pane->first_visible_line());
    }
    // The wheel and a shorter pane.
    w.i8080_pane()->setPlainText(numbered_lines(50, QStringLiteral("x%1")));
    for (int line : {150, 200, 120}) {  // the longer pane is never dragged back to the shorter one's end
      w.z80_pane()->verticalScrollBar()->setValue(line);
      QCOMPARE(w.z80_pane()->first_visible_line(), line);
      QCOMPARE(w.i8080_pane()->first_visible_line(), w.i8080_pane()->verticalScrollBar()->maximum());
    }
    w.z80_pane()->scroll_to_line(150);
    QCOMPARE(w.z80_pane()->first_visible_line(), 150);
    QCOMPARE(w.i8080_pane()->first_visible_line(), w.i8080_pane()->verticalScrollBar()->maximum());
    // A conversion keeps the first line and puts the target's caret on the source caret's line.
    w.z80_pane()->go_to_line(120, false);
    w.z80_pane()->scroll_to_line(100);
    w.convert_z80_to_8080();
    QCOMPARE(w.z80_pane()->first_visible_line(), 100);
    QCOMPARE(w.i8080_pane()->first_visible_line(), 100);
    QCOMPARE(w.i8080_pane()->textCursor().blockNumber(), 120);
  }

  void marked_lines_one_after_another() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("\tjr\ta\n\tnop\n\tdjnz\tb\n\tnop\n\texx"));
    w.convert_z80_to_8080();
    EditorPane* p = w.i8080_pane();
    p->setFocus();
    p->go_to_line(0, false);
    const struct {
      bool forward;
      int line;
      bool wraps;
    } kSteps[] = {{true, 2, false}, {true, 4, false}, {true, 0, true}, {false, 4, true}, {false, 2, false}};
    for (const auto& s : kSteps) {
      w.statusBar()->clearMessage();
      QTest::keyClick(p, Qt::Key_F8, s.forward ? Qt::NoModifier : Qt::ShiftModifier);
      QCOMPARE(p->textCursor().blockNumber(), s.line);
      QCOMPARE(p->textCursor().selectedText(), p->document()->findBlockByNumber(s.line).text());
      QCOMPARE(!w.statusBar()->currentMessage().isEmpty(), s.wraps);
    }
  }

  void marked_line_centred_from_either_pane() {
    MainWindow& w = *window_;
    const QString wide = QStringLiteral("\tjr\tfar%1 ; ") + QString(400, QLatin1Char('x'));
    w.z80_pane()->setPlainText(numbered_lines(200, QStringLiteral("\tnop ; %1 ") + QString(400, QLatin1Char('y'))) +
                               QLatin1Char('\n') + wide.arg(1) + QLatin1Char('\n') +
                               numbered_lines(100, QStringLiteral("\tnop ; %1")) + QLatin1Char('\n') + wide.arg(2) +
                               QLatin1Char('\n') + numbered_lines(100, QStringLiteral("\tnop ; %1")));
    w.convert_z80_to_8080();
    const struct {
      EditorPane* from;
      int line;
    } kSteps[] = {{w.z80_pane(), 200}, {w.z80_pane(), 301}, {w.i8080_pane(), 200}};
    for (const auto& s : kSteps) {
      s.from->setFocus();
      s.from->go_to_line(s.line == 200 ? 0 : 200, false);
      s.from->horizontalScrollBar()->setValue(s.from->horizontalScrollBar()->maximum());
      QTest::keyClick(s.from, Qt::Key_F8);
      for (EditorPane* p : {w.z80_pane(), w.i8080_pane()}) {
        QCOMPARE(p->textCursor().blockNumber(), s.line);
        QCOMPARE(p->horizontalScrollBar()->value(), 0);
        QVERIFY(p->viewport()->rect().contains(p->cursorRect()));
        const int middle = p->viewport()->height() / 2;
        QVERIFY2(std::abs(p->cursorRect().center().y() - middle) <= p->fontMetrics().lineSpacing(), qPrintable(QString::number(p->cursorRect().center().y())));
      }
      QCOMPARE(QApplication::focusWidget(), w.i8080_pane());  // the pane that holds the marks
    }
  }

  void wide_window() {
    QCOMPARE(window_->action("wide_window")->shortcut(), QKeySequence("Ctrl+Shift+W"));
    const QSize narrow = window_->size();
    const auto columns = [](const EditorPane* p) {
      return p->viewport()->width() / QFontMetricsF(p->font()).horizontalAdvance(QLatin1Char(' '));
    };
    for (const int smaller : {0, 8}) {  // two font sizes: 80 columns fit the screen or not
      for (int i = 0; i < smaller; ++i) window_->action("zoom_out")->trigger();
      window_->action("wide_window")->trigger();
      MainWindow& w = *window_;
      const QRect screen = w.screen()->availableGeometry();
      QTRY_VERIFY(w.width() > narrow.width());
      for (const EditorPane* p : {w.z80_pane(), w.i8080_pane()}) {
        QVERIFY2(columns(p) >= 80 || w.frameGeometry().width() >= screen.width(), qPrintable(QString::number(columns(p))));
      }
      QVERIFY(w.frameGeometry().right() <= screen.right());
      const QSize wide = w.size();
      reopen();  // remembered
      QVERIFY(window_->action("wide_window")->isChecked());
      QCOMPARE(window_->size(), wide);
      window_->action("wide_window")->trigger();
      QTRY_COMPARE(window_->client()->size(), QSize(640, 480));  // back to the first size
    }
  }

  void a_file_goes_to_the_pane_of_its_notation() {
    const QString empty = settings_dir_.filePath(QStringLiteral("empty.asm"));
    write_bytes(empty, "");
    const struct {
      QString path;
      bool detect;
      bool to_8080_pane;
    } kFiles[] = {
        {QStringLiteral(TEST_DATA_DIR "/monitor.8080"), true, true},
        {QStringLiteral(TEST_DATA_DIR "/ccp.z80"), true, false},
        {empty, true, false},                                         // nothing telling: the pane asked for
        {QStringLiteral(TEST_DATA_DIR "/monitor.8080"), false, false},  // File > Open Z80 forces the pane
    };
    for (const auto& f : kFiles) {
      init();
      MainWindow& w = *window_;
      QVERIFY(w.open_file(w.z80_pane(), f.path, f.detect));
      QCOMPARE(QFileInfo(w.file_of(f.to_8080_pane ? w.i8080_pane() : w.z80_pane())).fileName(), QFileInfo(f.path).fileName());
      QCOMPARE(w.file_of(f.to_8080_pane ? w.z80_pane() : w.i8080_pane()), QString());
      QCOMPARE(w.statusBar()->currentMessage().contains(QStringLiteral("looks like")), f.detect && f.path != empty);
      cleanup();
    }
    init();
  }

  void a_long_conversion_can_be_cancelled() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(numbered_lines(20000, QStringLiteral("\tld\ta,b ; %1")));
    w.i8080_pane()->setPlainText(QStringLiteral("kept"));
    w.set_progress_after(0);  // as if it took long
    bool shown = false;
    QTimer::singleShot(0, &w, [&] {
      shown = w.findChild<QProgressBar*>(QStringLiteral("progress")) != nullptr;
      QVERIFY(w.z80_pane()->isReadOnly());
      QTest::keyClick(w.z80_pane(), Qt::Key_Z, Qt::ControlModifier);  // no undo meanwhile
      QTest::keyClick(w.z80_pane(), Qt::Key_Escape);
    });
    w.convert_z80_to_8080();
    QVERIFY(shown);
    QCOMPARE(w.i8080_pane()->toPlainText(), QStringLiteral("kept"));
    QCOMPARE(w.z80_pane()->document()->blockCount(), 20000);
    QVERIFY(!w.z80_pane()->isReadOnly());
    QVERIFY(w.isVisible());  // Escape cancelled, it did not quit
    QVERIFY(w.findChild<QProgressBar*>(QStringLiteral("progress")) == nullptr);
    w.convert_z80_to_8080();  // uncancelled, it converts
    QCOMPARE(w.i8080_pane()->document()->blockCount(), 20000);
  }

  void status_texts_at_640_pixels() {
    MainWindow& w = *window_;
    QCOMPARE(w.client()->width(), 640);
    const QString deep = dir_->filePath(QStringLiteral("a/very/long/path/of/folders/that/goes/on/and/on/prog.z80"));
    QDir().mkpath(QFileInfo(deep).path());
    write_bytes(deep, QByteArray("\tjr\tx\n").repeated(1933));
    QVERIFY(w.open_file(w.z80_pane(), deep));
    w.convert_z80_to_8080();
    w.i8080_pane()->setFocus();
    script_.file_names.push_back(dir_->filePath(QStringLiteral("a/very/long/path/of/folders/that/goes/on/and/on/prog.asm")));
    QVERIFY(w.save(w.i8080_pane()));
    QTRY_COMPARE(w.pane_status(w.i8080_pane())->text(), QStringLiteral("8080 1933 lines, 1933 marked"));
    w.i8080_pane()->go_to_line(0, true);  // a wrong hand fix: the longest counts
    QTest::keyClicks(w.i8080_pane(), QStringLiteral("\tjmp\ty"));
    QTRY_COMPARE(w.pane_status(w.i8080_pane())->text(), QStringLiteral("8080 1933 lines, 1932 marked, 1 unproven"));
    QCoreApplication::processEvents();
    for (const QLabel* counts : {w.pane_status(w.z80_pane()), w.pane_status(w.i8080_pane())}) {
      QVERIFY(counts->width() >= counts->fontMetrics().horizontalAdvance(counts->text()));  // whole
    }
    // The message keeps both ends of the path; the tooltip holds all of it.
    frontend::ElidedLabel* message = w.message_area();
    QVERIFY(message->isVisible());
    QVERIFY(message->full_text().startsWith(QStringLiteral("Saved ")));
    QCOMPARE(message->toolTip(), message->full_text());
    const QString shown = message->shown_text();
    QVERIFY2(shown.startsWith(QStringLiteral("Saved ")) && shown.endsWith(QStringLiteral("prog.asm")) &&
                 shown.contains(QChar(0x2026)),
             qPrintable(shown));
    QVERIFY(w.line_status()->fontMetrics().horizontalAdvance(w.line_status()->shown_text()) <= w.line_status()->width());
  }

  // After a conversion each line carries its verdict; a hand edit proves its
  // line again against the line beside it; F8 stops at unproven lines; the
  // counts name them.
  void verdicts_per_line() {
    MainWindow& w = *window_;
    using engine::Proof;
    const struct {
      const char* source;
      Proof verdict;
    } kLines[] = {
        {"\tld\ta,b", Proof::proven},     {"; note", Proof::passed},   {"", Proof::passed},
        {"\tsbc\thl,de", Proof::marked},  {"\tld\tb,c,d", Proof::unproven},  // malformed: neither side encodes
        {"\tjr\tx", Proof::marked},       {"\tdb\t1,'a'", Proof::proven},
    };
    QStringList source;
    for (const auto& l : kLines) source << QString::fromLatin1(l.source);
    w.z80_pane()->setPlainText(source.join(QLatin1Char('\n')));
    w.convert_z80_to_8080();
    EditorPane* p = w.i8080_pane();
    for (int i = 0; i < std::ssize(kLines); ++i) {
      QCOMPARE(frontend::verdict_of(p->document()->findBlockByNumber(i)), std::optional(kLines[i].verdict));
    }
    QTRY_COMPARE(w.pane_status(p)->text(), QStringLiteral("8080 7 lines, 2 marked, 1 unproven"));
    QTRY_COMPARE(w.pane_status(w.z80_pane())->text(), QStringLiteral("Z80 7 lines, 0 marked"));
    p->setFocus();
    p->go_to_line(4, false);  // the status bar says why
    QCOMPARE(w.line_status()->full_text(),
             QStringLiteral("Line 5: unproven: rewritten, and neither side encodes (no Z80 form of \"ld\" takes these operands)"));

    // F8 from the first line: the unproven line, then the marked ones.
    p->setFocus();
    p->go_to_line(0, false);
    for (const int stop : {3, 4, 5, 3}) {
      QTest::keyClick(p, Qt::Key_F8);
      QCOMPARE(p->textCursor().blockNumber(), stop);
    }

    // Hand edits, typed over the whole line, in turn.
    const struct {
      int line;
      const char* typed;
      Proof verdict;
      const char* counts;
    } kEdits[] = {
        {5, "\tjmp\tx", Proof::proven, "8080 7 lines, 1 marked, 1 unproven"},  // the fix of a marked jr
        {5, "\tjmp\ty", Proof::unproven, "8080 7 lines, 1 marked, 2 unproven"},
        {3, "\tsbb\th", Proof::unproven, "8080 7 lines, 0 marked, 3 unproven"},  // not the same instruction
        {4, "\tlda\tm", Proof::unproven, "8080 7 lines, 0 marked, 3 unproven"},
        {0, "\tmov\ta,c", Proof::unproven, "8080 7 lines, 0 marked, 4 unproven"},
        {0, "\tmov\ta,b\t; kept", Proof::proven, "8080 7 lines, 0 marked, 3 unproven"},
        {1, "; another note", Proof::passed, "8080 7 lines, 0 marked, 3 unproven"},
    };
    for (const auto& e : kEdits) {
      p->go_to_line(e.line, true);
      QTest::keyClicks(p, QString::fromLatin1(e.typed));
      QVERIFY2(frontend::verdict_of(p->document()->findBlockByNumber(e.line)) == e.verdict, e.typed);
      QTRY_COMPARE(w.pane_status(p)->text(), QString::fromLatin1(e.counts));
    }
    // Undone, the conversion's verdicts are back.
    while (w.history()->can_undo() && p->toPlainText() != QStringLiteral("\tmov\ta,b\n; note\n\n; cannot convert:\tsbc\thl,de"
                                                                        "\n\tmov\tb,c,d\n; cannot convert:\tjr\tx\n\tdb\t1,'a'")) {
      w.undo();
    }
    QTRY_COMPARE(w.pane_status(p)->text(), QStringLiteral("8080 7 lines, 2 marked, 1 unproven"));
  }

  // An 8-bit file: its code page guessed, shown, chosen again (and then
  // remembered), and written back byte for byte.
  void eight_bit_files_macros_and_reserved_names() {
    MainWindow& w = *window_;
    const QString path = dir_->filePath(QStringLiteral("cyr.z80"));
    const QByteArray bytes("\tld\ta,b\t; \xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0\r\n");  // cp1251
    write_bytes(path, bytes);
    QVERIFY(w.open_file(w.z80_pane(), path));
    QTRY_VERIFY(w.pane_status(w.z80_pane())->text().endsWith(QStringLiteral("Windows-1251")));
    QVERIFY(w.z80_pane()->toPlainText().contains(QString::fromUtf8("Привет")));
    QVERIFY(w.reopen_with_encoding(w.z80_pane(), engine::Encoding::koi8r));
    QTRY_VERIFY(w.pane_status(w.z80_pane())->text().endsWith(QStringLiteral("KOI8-R")));
    QVERIFY(w.open_file(w.z80_pane(), path));  // remembered for the file
    QTRY_VERIFY(w.pane_status(w.z80_pane())->text().endsWith(QStringLiteral("KOI8-R")));
    w.z80_pane()->document()->setModified(true);
    QVERIFY(w.save(w.z80_pane()));
    QCOMPARE(read_bytes(path), bytes);
    // Calls of a macro the source defines go through; a reserved name is named.
    w.z80_pane()->setPlainText(QStringLiteral("xpush\tmacro\tr\n\tendm\n\txpush\tb\nDAD\tequ\t5"));
    w.convert_z80_to_8080();
    QCOMPARE(w.i8080_pane()->marked_lines(), std::vector<std::size_t>{});
    w.z80_pane()->setFocus();
    w.z80_pane()->go_to_line(3, false);
    QTRY_VERIFY(w.line_status()->full_text().contains(QStringLiteral("warning: DAD is a mnemonic in 8080 notation")));
  }

  void find_bar() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("\tld a,b\n\tLD A,C\n\tldir\n\tld a,b"));
    w.z80_pane()->setFocus();
    QTest::keyClick(w.z80_pane(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w.find_bar()->isVisible());
    QTest::keyClicks(w.find_bar()->text(), "ld");
    w.find_bar()->whole_word()->setChecked(true);
    const int kFound[] = {0, 1, 3, 0};  // whole words, any case, round the end
    for (const int line : kFound) {
      QTest::keyClick(w.find_bar()->text(), Qt::Key_Return);
      QCOMPARE(w.z80_pane()->textCursor().blockNumber(), line);
    }
    w.find_bar()->match_case()->setChecked(true);
    QTest::keyClick(w.find_bar()->text(), Qt::Key_F3);
    QCOMPARE(w.z80_pane()->textCursor().blockNumber(), 3);
    QTest::keyClick(w.find_bar()->text(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(w.z80_pane()->textCursor().blockNumber(), 0);
    // Escape in the find bar (from any of its controls) closes the bar, not
    // the window, and the pane it searched has the focus again.
    w.i8080_pane()->setFocus();
    w.action("find")->trigger();
    w.find_bar()->match_case()->setFocus();
    QTest::keyClick(w.find_bar()->match_case(), Qt::Key_Escape);
    QVERIFY(!w.find_bar()->isVisible());
    QVERIFY(w.isVisible());
    QCOMPARE(QApplication::focusWidget(), w.i8080_pane());
    // Every control has its key.
    QStringList texts;
    for (const QAbstractButton* b : w.find_bar()->findChildren<QAbstractButton*>()) texts << b->text();
    QCOMPARE(texts.filter(QStringLiteral("&")).size(), 4);
  }

  void font_size_for_both_panes() {
    MainWindow& w = *window_;
    const int normal = w.z80_pane()->font_points();
    w.action("zoom_in")->trigger();
    w.action("zoom_in")->trigger();
    QCOMPARE(w.z80_pane()->font_points(), normal + 2);
    QCOMPARE(w.i8080_pane()->font_points(), normal + 2);
    QCOMPARE(w.i8080_pane()->tabStopDistance(), QFontMetricsF(w.i8080_pane()->font()).horizontalAdvance(QLatin1Char(' ')) * 8);
    reopen();  // remembered
    QCOMPARE(window_->z80_pane()->font_points(), normal + 2);
    window_->action("zoom_reset")->trigger();
    QCOMPARE(window_->i8080_pane()->font_points(), normal);
  }

  void relative_jumps_on_request() {
    MainWindow& w = *window_;
    w.z80_pane()->setPlainText(QStringLiteral("\tjr\tloop"));
    w.action("jr_as_jump")->trigger();
    w.convert_z80_to_8080();
    QCOMPARE(lines_of(w.i8080_pane()), Lines{u"\tjmp\tloop"});
    reopen();  // remembered
    QVERIFY(window_->action("jr_as_jump")->isChecked());
  }

  void columns_and_case_on_request() {
    MainWindow& w = *window_;
    w.i8080_pane()->setPlainText(QStringLiteral("LOOP:\tJZ\tDONE\t; back\nx\tdb 1"));
    w.action("keep_layout")->trigger();
    w.convert_8080_to_z80();
    QCOMPARE(lines_of(w.z80_pane()), (Lines{u"LOOP:\tJP\tZ,DONE\t; back", u"x\tdb 1"}));
    reopen();  // remembered
    QVERIFY(window_->action("keep_layout")->isChecked());
  }

  void macro_calls_go_through() {
    MainWindow& w = *window_;
    w.i8080_pane()->setPlainText(QStringLiteral("SAVE\tMACRO\n\tENDM\n\tSAVE"));
    w.convert_8080_to_z80();
    QCOMPARE(lines_of(w.z80_pane()), (Lines{u"SAVE\t\tMACRO", u"\tENDM", u"\tSAVE"}));
  }

  void escape_and_close_box_quit_when_nothing_is_unsaved() {
    QVERIFY(window_->isVisible());
    QTest::keyClick(window_->z80_pane(), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
    init();
    QVERIFY(window_->close());
    QVERIFY(script_.asked.isEmpty());
  }

  void centred() {
    QCOMPARE(frontend::centred_position({646, 506}, {0, 0, 1920, 1080}), QPoint(637, 287));
    QCOMPARE(frontend::centred_position({646, 506}, {100, 50, 600, 1080}), QPoint(100, 337));
    QCOMPARE(frontend::centred_position({646, 506}, {0, 0, 640, 400}), QPoint(0, 0));
  }

 private:
  // A new window, as after a restart: the settings stay.
  void reopen() {
    script_ = Script{};
    window_ = std::make_unique<MainWindow>(std::make_unique<ScriptedDialogs>(script_));
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    dir_ = std::make_unique<QTemporaryDir>();
  }
  QTemporaryDir settings_dir_;
  std::unique_ptr<QTemporaryDir> dir_;
  Script script_;
  std::unique_ptr<MainWindow> window_;
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
