// The About window: a picture and a few words about lumeno.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  // Creates the window naming the engine and the working folder in use.
  TAboutBox(const QString& enginePath, const QString& workingFolder, QWidget* parent = nullptr);

  // The text shown beside the picture.
  QString text() const;

 private:
  QLabel* text_ = nullptr;
};

// The program's picture rendered at `size` x `size` pixels.
QPixmap LumenoPicture(int size);
