#include "app/small_windows.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_font.h"
#include "app/toolbar_icons.h"

namespace kq505 {
namespace {

// Dialog units of the program's layouts, in pixels of the dialog font.
constexpr int DialogX(int units) {
    return units * 7 / 4;
}
constexpr int DialogY(int units) {
    return units * 3 / 2;
}

QLabel* CentredLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setFont(DialogFont());
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    auto* text = new QLabel(QStringLiteral("KQ505 Version " KQ505_VERSION "\n"
                                           "Copyright (C) The KQ505 developers\n"
                                           "License: GNU GPL version 2 or later"),
                            this);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(DialogX(8));
    row->addWidget(text, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CLogoWnd::CLogoWnd(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(DialogFont());
    setFixedSize(DialogX(183), DialogY(81));

    // A frameless window draws its own dialog frame.
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(panel);
    layout->addStretch();
    layout->addWidget(CentredLabel(QStringLiteral("KQ505 ver.2.00 Preview Release"), panel));
    layout->addWidget(CentredLabel(QStringLiteral("Now printing..."), panel));
    layout->addStretch();
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);
    PlaceOver(*owner);
}

void CLogoWnd::PlaceOver(const QWidget& owner) {
    move(owner.mapToGlobal(QPoint(DialogX(70), DialogY(55))));
}

}  // namespace kq505
