// The smallest Qt Widgets program with a window the size of the player's
// face: the floor that bench_startup compares the player's start-up against.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class Face : public QWidget {
 public:
  Face() : QWidget(nullptr, Qt::FramelessWindowHint) { setFixedSize(350, 136); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(40, 60, 90));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, "hello");
    // Reported from the next turn of the loop, once the painted face has
    // been flushed, the same moment the player reports.
    if (!painted_) {
      painted_ = true;
      QTimer::singleShot(0, [] {
        std::fputs("first-paint\n", stdout);
        std::fflush(stdout);
      });
    }
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Face face;
  face.show();
  return QApplication::exec();
}
