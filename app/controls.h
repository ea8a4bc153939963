// Small controls of the main window that Qt does not offer as such.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QValidator>
#include <functional>

namespace spisotek::app {

// A picture: shows a loaded image at its top left or stretched over the
// whole control, and reports a double-click.
class PictureBox : public QLabel {
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    void SetStretch(bool stretch) { setScaledContents(stretch); }
    // Loads a JPEG file; false (and the previous picture kept) when the file
    // cannot be read or is not a JPEG image.
    bool LoadJpeg(const QString& fileName);
    bool HasPicture() const;

    std::function<void()> onDoubleClick;

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Turns typed and pasted letters to upper case the way an edit with
// upper-case conversion does in Windows-1250: each character with a
// Windows-1250 form is replaced by that form's upper case; others stay.
class UpperCaseValidator : public QValidator {
  public:
    explicit UpperCaseValidator(QObject* parent = nullptr) : QValidator(parent) {}
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

QString ToUpperCp1250(const QString& text);

// A push button whose caption wraps onto several lines when it does not fit,
// as the window's long update captions need.
class CaptionButton : public QPushButton {
  public:
    explicit CaptionButton(const QString& text, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// Tabs of a fixed height.
class FixedHeightTabBar : public QTabBar {
  public:
    FixedHeightTabBar(int height, QWidget* parent = nullptr);

  protected:
    QSize tabSizeHint(int index) const override;

  private:
    int height_;
};

// The page control: a tab widget whose tab strip has a fixed height and whose
// pages sit directly below it without a frame.
class PageControl : public QTabWidget {
  public:
    PageControl(int tabHeight, QWidget* parent = nullptr);
};

}  // namespace spisotek::app
