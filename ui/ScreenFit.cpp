#include "ScreenFit.h"

#include <QDialog>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#ifdef ZORVANE_HAVE_XCB
#  include <xcb/xcb.h>
#endif

namespace zorvane::ui {

namespace {

#ifdef ZORVANE_HAVE_XCB
// X11: an EWMH window manager answers _NET_REQUEST_FRAME_EXTENTS, sent for a
// window it has not mapped, by setting _NET_FRAME_EXTENTS on the window to
// the frame it will give it (left, right, top, bottom, in device pixels).
namespace x11 {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, false, static_cast<std::uint16_t>(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit values of a property of window, of type type; empty when unset.
std::vector<std::uint32_t> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    // Enough for _NET_SUPPORTED's list of atoms.
    constexpr std::uint32_t MaxValues = 1024;
    const xcb_get_property_cookie_t cookie = xcb_get_property(connection, false, window, name, type, 0, MaxValues);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / sizeof(std::uint32_t)};
}

std::optional<QMargins> askedFrame(const QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return std::nullopt;
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    const std::vector<std::uint32_t> supported =
        property(connection, screen->root, atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    if (std::find(supported.begin(), supported.end(), request) == supported.end())
        return std::nullopt;

    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, false, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);

    // The window manager answers at once, within a fraction of a millisecond
    // (each look is a round trip to the X server); one that does not within a
    // fifth of a second is not waited for again.
    static bool answers = true;
    constexpr int WaitMs = 200;
    constexpr unsigned long PollUs = 250;
    QElapsedTimer waited;
    waited.start();
    while (answers) {
        const std::vector<std::uint32_t> frame = property(connection, id, extents, XCB_ATOM_CARDINAL);
        if (frame.size() == 4) {
            const double ratio = window->devicePixelRatioF();
            const auto logical = [ratio](std::uint32_t pixels) {
                return static_cast<int>(std::lround(pixels / ratio));
            };
            return QMargins(logical(frame[0]), logical(frame[2]), logical(frame[1]), logical(frame[3]));
        }
        if (waited.elapsed() >= WaitMs)
            answers = false;
        else
            QThread::usleep(PollUs);
    }
    return std::nullopt;
}

}  // namespace x11
#endif

// The platforms on which the frame of a window can be known before it is
// shown.
bool tellsFrameBeforeShowing()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("windows");
}

// A title bar and thin borders as the program's style draws them for its
// own sub-windows: the frame assumed where the window system cannot tell.
QMargins assumedFrame(const QWidget* window)
{
    const QStyle* style = window->style();
    const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const int titleBar = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return QMargins(border, titleBar + border, border, border);
}

const QScreen* screenOf(const QWidget* window)
{
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

// The room the window may take on its screen (the primary screen before it
// is shown), within the frame; nothing when there is no screen.
QSize roomOnScreen(QWidget* window)
{
    const QScreen* screen = screenOf(window);
    if (!screen)
        return {};
    return screen->availableGeometry().size().shrunkBy(expectedFrame(window));
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

// Restores a modal window that the window manager has minimized, and the
// window it belongs to.
class KeptFromMinimizing final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange) {
            auto* dialog = static_cast<QWidget*>(watched);
            if (dialog->isModal() && (dialog->windowState() & Qt::WindowMinimized)) {
                // Once the window system has finished minimizing it.
                QTimer::singleShot(0, dialog, [dialog = QPointer<QWidget>(dialog)] {
                    if (!dialog || !(dialog->windowState() & Qt::WindowMinimized))
                        return;
                    if (QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
                        owner && (owner->windowState() & Qt::WindowMinimized))
                        owner->setWindowState(owner->windowState() & ~Qt::WindowMinimized);
                    dialog->setWindowState(dialog->windowState() & ~Qt::WindowMinimized);
                    dialog->show();
                    dialog->activateWindow();
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void makeFixedDialog(QDialog* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setFixedSize(dialog->size());
    dialog->installEventFilter(new KeptFromMinimizing(dialog));
}

QMargins expectedFrame(QWidget* window)
{
    // A platform that frames windows itself knows the frame once the native
    // window exists (Windows); an X11 window manager only once it has framed
    // it, and may be asked before. Elsewhere the window is left to be made
    // as it is shown.
    if (tellsFrameBeforeShowing())
        window->winId();
    if (const QWindow* handle = window->windowHandle(); handle && !handle->frameMargins().isNull())
        return handle->frameMargins();
#ifdef ZORVANE_HAVE_XCB
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (const std::optional<QMargins> asked = x11::askedFrame(window))
            return *asked;
    }
#endif
    return assumedFrame(window);
}

void centreOnScreen(QWidget* window)
{
    const QScreen* screen = screenOf(window);
    if (!screen)
        return;
    // Nothing frames a window drawn off the screen (the offscreen and
    // minimal platforms): it is centred as it is.
    const QString platform = QGuiApplication::platformName();
    const bool framed = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    const QMargins frame = framed ? expectedFrame(window) : QMargins();
    QRect outer = QRect(QPoint(0, 0), window->size()).marginsAdded(frame);
    outer.moveCenter(screen->availableGeometry().center());
    // Once the native window exists, the place of its client area, around
    // which the frame goes; before, the place of the frame.
    if (window->testAttribute(Qt::WA_WState_Created))
        window->setGeometry(QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), window->size()));
    else
        window->move(outer.topLeft());
}

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
