// TSplashForm: the window shown while the program starts.
//
// Borderless, on top of other windows, centred, with an hourglass cursor; a
// picture stretched over the whole window and a line of text over its lower
// left corner. It has no behaviour: the entry point shows it, makes it paint
// at once and destroys it when the main window exists.
#pragma once

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include "app/controls.h"

namespace spisotek {

class TSplashForm : public QWidget {
  public:
    static constexpr int kClientWidth = 421;
    static constexpr int kClientHeight = 331;

    explicit TSplashForm(QWidget* parent = nullptr);

    // Shows the window and paints picture and text now, before the caller
    // goes on with slow work that processes no events.
    void ShowAndPaint();

    // How often the picture and the text have been painted.
    int PicturePaints() const { return picturePaints_; }
    int LabelPaints() const { return labelPaints_; }

    QFrame* Panel1;
    app::PictureBox* Image1;
    QLabel* Label1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int picturePaints_ = 0;
    int labelPaints_ = 0;
};

// The one splash window while it exists, else null.
extern TSplashForm* SplashForm;

namespace app {

// The start-up picture shown in the splash window (1736 x 1340).
QImage SplashPicture();

}  // namespace app

}  // namespace spisotek
