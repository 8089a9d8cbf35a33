// SPDX-License-Identifier: MIT
#include "shell/about_window.h"

#include "platform/child_window.h"
#include "shell/about_window_link.h"
#include "shell/about_window_maker.h"
#include "shell/about_window_rules.h"
#include "version.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zr {

namespace {

QLabel* makeLabel(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

} // namespace

AboutWindow::AboutWindow(UrlOpener& urls, QWidget* parent) : QWidget(parent), urls_(urls)
{
    setObjectName("frmAbout");
    setWindowTitle("About the  ZR410A/B Software");

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName("Frame1");
    Label1 = makeLabel("Label1", "ZR410A/B Evaluation Software Version 1.0.0 ", Frame1);
    QFont versionFont = Label1->font();
    versionFont.setFamilies({QStringLiteral("MS Sans Serif"), versionFont.family()});
    versionFont.setPointSizeF(9.75);
    versionFont.setBold(true);
    Label1->setFont(versionFont);
    Label2 = makeLabel("Label2", QString::fromUtf8(maker::kLegalNotice), Frame1);
    Label4 = makeLabel("Label4", "For information on Systems Management devices click", Frame1);
    lblSensorInfo = new LinkLabel("lblSensorInfo", "here", Frame1);
    lblSensorInfo->setAccessibleDescription("Opens the maker's temperature-sensor page");
    Label5 = makeLabel("Label5", "Visit the QLN website at", Frame1);
    Label6 = new LinkLabel("Label6", QString::fromUtf8(maker::kHomePageShown), Frame1);
    Label6->setAccessibleDescription("Opens the maker's home page");
    cmdOK = new QPushButton("OK", Frame1);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);

    auto* sensorLine = new QHBoxLayout;
    sensorLine->addWidget(Label4);
    sensorLine->addWidget(lblSensorInfo);
    sensorLine->addStretch(1);
    auto* siteLine = new QHBoxLayout;
    siteLine->addWidget(Label5);
    siteLine->addWidget(Label6);
    siteLine->addStretch(1);
    auto* okLine = new QHBoxLayout;
    okLine->addStretch(1);
    okLine->addWidget(cmdOK);

    auto* inside = new QVBoxLayout(Frame1);
    inside->addWidget(Label1);
    inside->addWidget(Label2);
    inside->addSpacing(Label2->fontMetrics().height());
    inside->addLayout(sensorLine);
    inside->addLayout(siteLine);
    inside->addLayout(okLine);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(Frame1);

    connect(cmdOK, &QPushButton::clicked, this, &AboutWindow::cmdOK_Click);
    connect(lblSensorInfo, &LinkLabel::clicked, this, &AboutWindow::lblSensorInfo_Click);
    connect(Label6, &LinkLabel::clicked, this, &AboutWindow::Label6_Click);
}

void AboutWindow::Form_Load()
{
    placeInClientArea();
    Label1->setText(versionLine(version::major, version::minor, version::revision));
    // Enter closes the window rather than following the first link to a web page.
    cmdOK->setFocus(Qt::OtherFocusReason);
}

void AboutWindow::placeInClientArea()
{
    auto* sub = qobject_cast<QMdiSubWindow*>(childFrame(this));
    if (!sub)
        return;
    // A fixed single border: no minimise or maximise button, and no resizing.
    sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    sub->adjustSize();
    sub->setFixedSize(sub->size());
    QMdiArea* area = sub->mdiArea();
    if (!area)
        return;
    const QScreen* screen = sub->screen();
    const double dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
    // The main window's outer size, title, menu and status bars included.
    sub->move(aboutWindowPosition(area->window()->frameGeometry().size(), sub->size(), dpiY));
}

void AboutWindow::cmdOK_Click()
{
    closeChildWindow(this);
}

void AboutWindow::Label6_Click()
{
    urls_.openUrl(QString::fromUtf8(maker::kHomePage));
    Label6->setVisited(true);
}

void AboutWindow::lblSensorInfo_Click()
{
    urls_.openUrl(QString::fromUtf8(maker::kSensorInfoPage));
    lblSensorInfo->setVisited(true);
}

} // namespace zr
