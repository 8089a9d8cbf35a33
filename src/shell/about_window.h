#pragma once

// frmAbout: the program's name and version, and two links to the maker's pages.

#include "platform/url_opener.h"

#include <QWidget>

namespace zr {

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(UrlOpener& urls, QWidget* parent = nullptr);

private:
    UrlOpener& urls_;
};

} // namespace zr
