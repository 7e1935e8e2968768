#include "ScreenFit.h"

#include <QFrame>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMargins>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace zorvane::ui {

namespace {

// The frame the window system puts around the window: known once it has
// framed the window; before that, a title bar and thin borders as the
// program's style draws them for its own sub-windows.
QMargins frameOf(const QWidget* window)
{
    if (const QWindow* handle = window->windowHandle(); handle && !handle->frameMargins().isNull())
        return handle->frameMargins();
    const QStyle* style = window->style();
    const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const int titleBar = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return QMargins(border, titleBar + border, border, border);
}

// The room the window may take on its screen (the primary screen before it
// is shown), within the frame; nothing when there is no screen.
QSize roomOnScreen(const QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return screen->availableGeometry().size().shrunkBy(frameOf(window));
}

// Where a child of extent [start, end) on one axis goes when the box's
// extent [boxStart, boxEnd) loses `lost`: the child's new start and length.
std::pair<int, int> keptBesideBox(int start, int end, int boxStart, int boxEnd, int lost)
{
    const int lead = start - boxStart;
    const int trail = boxEnd - end;
    if (lead <= 0 && trail <= 0)
        return {start, end - start - lost};
    const double share = lead <= 0 ? 0.0 : trail <= 0 ? 1.0 : double(lead) / double(lead + trail);
    return {start - static_cast<int>(share * lost + 0.5), end - start};
}

}  // namespace

void fitToScreen(QWidget* window, QWidget* box)
{
    const QSize room = roomOnScreen(window);
    if (room.isEmpty())
        return;
    const QSize design = window->size();
    const QSize spare = box->size() - box->minimumSizeHint().expandedTo(QSize(0, 0));
    const QSize lost(std::clamp(design.width() - room.width(), 0, std::max(0, spare.width())),
                     std::clamp(design.height() - room.height(), 0, std::max(0, spare.height())));
    if (lost.isNull())
        return;

    const QRect boxPlace = box->geometry();
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == box || child->isWindow())
            continue;
        const QRect place = child->geometry();
        const auto [left, width] =
            keptBesideBox(place.left(), place.right() + 1, boxPlace.left(), boxPlace.right() + 1, lost.width());
        const auto [top, height] =
            keptBesideBox(place.top(), place.bottom() + 1, boxPlace.top(), boxPlace.bottom() + 1, lost.height());
        child->setGeometry(left, top, width, height);
    }
    box->resize(boxPlace.size() - lost);
    window->setFixedSize(design - lost);
}

void fitToScreen(QWidget* window)
{
    const QSize room = roomOnScreen(window);
    const QSize design = window->size();
    if (room.isEmpty() || (design.width() <= room.width() && design.height() <= room.height()))
        return;

    QWidget* focus = window->focusWidget();
    // Made inside the window, so that the controls keep their Tab order:
    // within one window, moving a control moves nothing in the focus chain.
    auto* area = new QScrollArea(window);
    area->setObjectName(window->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    // Tab goes from control to control, the area scrolling to each; the
    // area itself is no stop.
    area->setFocusPolicy(Qt::NoFocus);
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        // A widget moved with everything in it keeps their order.
        area->setWidget(main->takeCentralWidget());
        main->setCentralWidget(area);
    } else {
        auto* client = new QWidget(window);
        client->setFixedSize(design);
        client->setPalette(window->palette());
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child == area || child == client || child->isWindow())
                continue;
            const bool hidden = child->isHidden();
            child->setParent(client);
            child->setHidden(hidden);
        }
        area->setWidget(client);
        area->setGeometry(QRect(QPoint(0, 0), design.boundedTo(room)));
    }
    window->setFixedSize(design.boundedTo(room));
    if (focus)
        focus->setFocus();
}

}  // namespace zorvane::ui
