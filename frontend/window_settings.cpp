#include "frontend/window_settings.hpp"

#include <QSettings>

namespace frontend {
namespace {

QSettings store() { return QSettings(QStringLiteral("z80tools"), QStringLiteral("converter")); }

const QString kFontSize = QStringLiteral("fontSize");
const QString kJrAsJump = QStringLiteral("jrAsJump");
const QString kKeepLayout = QStringLiteral("keepLayout");
const QString kWideWindow = QStringLiteral("wideWindow");
const QString kGeometry = QStringLiteral("geometry");
const QString kLastFolder = QStringLiteral("lastFolder");
const QString kRecentZ80 = QStringLiteral("recent/z80");
const QString kRecent8080 = QStringLiteral("recent/8080");

QString encoding_key(const QString& path) { return QStringLiteral("encodings/") + path; }

}  // namespace

WindowSettings read_settings() {
  const QSettings s = store();
  WindowSettings w;
  w.font_points = s.value(kFontSize, 0).toInt();
  w.jr_as_jump = s.value(kJrAsJump, false).toBool();
  w.keep_layout = s.value(kKeepLayout, false).toBool();
  w.wide_window = s.value(kWideWindow, false).toBool();
  w.geometry = s.value(kGeometry).toByteArray();
  w.last_folder = s.value(kLastFolder).toString();
  w.recent_z80 = s.value(kRecentZ80).toStringList();
  w.recent_8080 = s.value(kRecent8080).toStringList();
  return w;
}

void write_settings(const WindowSettings& w) {
  QSettings s = store();
  if (w.font_points != 0) s.setValue(kFontSize, w.font_points);
  s.setValue(kJrAsJump, w.jr_as_jump);
  s.setValue(kKeepLayout, w.keep_layout);
  s.setValue(kWideWindow, w.wide_window);
  if (!w.geometry.isEmpty()) s.setValue(kGeometry, w.geometry);
  if (!w.last_folder.isEmpty()) s.setValue(kLastFolder, w.last_folder);
  if (!w.recent_z80.isEmpty()) s.setValue(kRecentZ80, w.recent_z80);
  if (!w.recent_8080.isEmpty()) s.setValue(kRecent8080, w.recent_8080);
}

void add_recent(QStringList& recent, const QString& path) {
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kRecentFiles) recent.removeLast();
}

std::optional<engine::Encoding> chosen_encoding(const QString& path) {
  return engine::encoding_by_name(store().value(encoding_key(path)).toString().toStdString());
}

void choose_encoding(const QString& path, engine::Encoding encoding) {
  QSettings s = store();
  if (encoding == engine::Encoding::utf8) {
    s.remove(encoding_key(path));
  } else {
    s.setValue(encoding_key(path), QString::fromLatin1(engine::encoding_short_name(encoding)));
  }
}

}  // namespace frontend
