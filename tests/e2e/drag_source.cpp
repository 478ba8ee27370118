// A window that starts a real drag of the files named on its command line as
// soon as it is pressed, for the end-to-end walkthrough. While the drag goes
// on it writes "accepted" to stderr each time a drop target comes to accept
// it, so that the driver lets the button go over a target that will take the
// drop; then it prints the action the drop target reported back ("none" when
// nothing was done) and exits.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class DragSource : public QWidget {
 public:
  explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
    setWindowTitle(QStringLiteral("drag-source"));
    setGeometry(0, 0, 120, 80);
  }

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* data = new QMimeData;
    data->setUrls(urls_);
    QDrag drag(this);
    drag.setMimeData(data);
    QObject::connect(&drag, &QDrag::actionChanged, [](Qt::DropAction action) {
      if (action != Qt::IgnoreAction) {
        std::fprintf(stderr, "accepted\n");
        std::fflush(stderr);
      }
    });
    Qt::DropAction action = drag.exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    const char* name = action == Qt::CopyAction   ? "copy"
                       : action == Qt::MoveAction ? "move"
                       : action == Qt::LinkAction ? "link"
                                                  : "none";
    std::printf("%s\n", name);
    std::fflush(stdout);
    // The target fetches the files after the drag has ended; stay to answer.
    QTimer::singleShot(3000, qApp, &QApplication::quit);
  }

 private:
  QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (int i = 1; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  DragSource source(urls);
  source.show();
  return QApplication::exec();
}
