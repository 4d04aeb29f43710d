// A one-line label that shows as much of its text as fits, with "..." where
// the rest is cut (in the middle for a path, at the end otherwise); the whole
// text is its tooltip. It asks for no more width than its text needs, and
// takes less when the status bar is short of room.
#pragma once

#include <QLabel>

namespace frontend {

class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

  void set_full_text(const QString& text);
  QString full_text() const { return full_; }
  // The text as shown at the current width.
  QString shown_text() const;

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::TextElideMode mode_;
  QString full_;
};

}  // namespace frontend
