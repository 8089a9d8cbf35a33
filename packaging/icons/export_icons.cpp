// SPDX-License-Identifier: MIT
// Writes the program's icon for the desktop's hicolor theme: PNG files at the usual sizes and an
// SVG, into <folder>/<N>x<N>/apps/zr410ab.png and <folder>/scalable/apps/zr410ab.svg.

#include "shell/app_icon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            zr::paintAppIcon(painter, size);
        }
        if (!QDir().mkpath(dir) || !image.save(dir + "/zr410ab.png", "PNG")) {
            std::fprintf(stderr, "cannot write %s/zr410ab.png\n", qPrintable(dir));
            return 1;
        }
    }
    const QString scalable = root + "/scalable/apps";
    QFile svg(scalable + "/zr410ab.svg");
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly) ||
        svg.write(zr::appIconSvg().toUtf8()) < 0 || !svg.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    return 0;
}
