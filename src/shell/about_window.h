// SPDX-License-Identifier: MIT
#pragma once

// frmAbout: the program's name and version, and two links to the maker's pages.

#include "platform/child_window.h"
#include "platform/url_opener.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace zr {

class LinkLabel;

class AboutWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit AboutWindow(UrlOpener& urls, QWidget* parent = nullptr);

public slots:
    // Fixes the window's size, places it relative to the main window's client area and fills in
    // the version line.
    void Form_Load() override;
    bool talksToBoard() const override { return false; }
    void cmdOK_Click();
    void Label6_Click();
    void lblSensorInfo_Click();

private:
    void placeInClientArea();

    UrlOpener& urls_;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    LinkLabel* lblSensorInfo = nullptr;
    QLabel* Label5 = nullptr;
    LinkLabel* Label6 = nullptr;
    QPushButton* cmdOK = nullptr;
};

} // namespace zr
