// trelomar-render-icon SVG SIZE PNG: renders the program's icon at one size
// for the icon theme's fixed-size folders. Used by the build only.
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int size = args.size() == 4 ? args[2].toInt(&ok) : 0;
    if (!ok || size <= 0) {
        QTextStream(stderr) << "Usage: trelomar-render-icon SVG SIZE PNG\n";
        return 2;
    }
    QImageReader reader(args[1]);
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull() || !image.save(args[3], "PNG")) {
        QTextStream(stderr) << "trelomar-render-icon: " << args[1] << ": " << reader.errorString() << "\n";
        return 1;
    }
    return 0;
}
