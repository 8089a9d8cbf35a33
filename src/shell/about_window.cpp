#include "shell/about_window.h"

namespace zr {

AboutWindow::AboutWindow(UrlOpener& urls, QWidget* parent) : QWidget(parent), urls_(urls)
{
    setObjectName("frmAbout");
    setWindowTitle("About the  ZR410A/B Software");
}

} // namespace zr
