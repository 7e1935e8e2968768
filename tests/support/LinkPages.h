#pragma once

// The program's four windows, and which of their links opens which of the
// maker's web pages: every link label and every menu item that opens a page,
// once. The window tests and the results tests build their link rows from
// this one table; it needs the page addresses (zorvane_links) and no window.

#include "modHelp.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <array>
#include <utility>

namespace zorvane::test {

// The program's windows a test looks through, each opened by the test.
enum class Window { Main, Results, Reading, About };

inline constexpr std::array<Window, 4> FourWindows{Window::Main, Window::Results, Window::Reading, Window::About};

// "main": how a row tag names the window.
inline QString windowKey(Window window)
{
    const std::pair<Window, const char*> keys[]{
        {Window::Main, "main"}, {Window::Results, "results"}, {Window::Reading, "reading"}, {Window::About, "about"}};
    for (const auto& [keyed, key] : keys)
        if (keyed == window)
            return QString::fromLatin1(key);
    return {};
}

// One of the maker's pages: its member of modHelp::PageAddressTable.
using Page = QString modHelp::PageAddressTable::*;

// "home page": how a row tag names the page.
inline const char* pageName(Page page)
{
    using Pages = modHelp::PageAddressTable;
    const std::pair<Page, const char*> names[]{
        {&Pages::homePage, "home page"},
        {&Pages::onlineHelp, "online help page"},
        {&Pages::downloadPage, "download page"},
        {&Pages::donatePage, "donation page"},
        {&Pages::fullBrandPage, "full-branding page"},
        {&Pages::coBrandPage, "co-branding page"},
    };
    for (const auto& [named, name] : names)
        if (named == page)
            return name;
    return "";
}

// A link is a label a person clicks (a LinkLabel) or an item of a menu.
enum class LinkKind { Label, MenuItem };

struct LinkPage {
    Window window;
    const char* control;  // its objectName
    Page page;
    LinkKind kind;

    QString controlName() const { return QString::fromLatin1(control); }
    QString address() const { return modHelp::PageAddresses().*page; }
};

// The twenty links, ten labels and ten menu items, window by window.
inline QList<LinkPage> linkPages()
{
    using enum Window;
    using enum LinkKind;
    using Pages = modHelp::PageAddressTable;
    // clang-format off
    return {
        {Main, "Label61", &Pages::homePage, Label},
        {Main, "lblFullBrand", &Pages::fullBrandPage, Label},
        {Main, "lblCobrand", &Pages::coBrandPage, Label},
        {Main, "mnuOnline", &Pages::onlineHelp, MenuItem},
        {Main, "mnuVisit", &Pages::homePage, MenuItem},
        {Main, "mnuUpdate", &Pages::downloadPage, MenuItem},
        {Main, "mnuDonate", &Pages::donatePage, MenuItem},
        {Main, "mnumakemoney", &Pages::fullBrandPage, MenuItem},
        {Results, "lblHalvidorBanner", &Pages::homePage, Label},
        {Results, "Label8", &Pages::fullBrandPage, Label},
        {Results, "mnuOnline", &Pages::onlineHelp, MenuItem},
        {Results, "mnuVisit", &Pages::homePage, MenuItem},
        {Results, "mnuUpdate", &Pages::downloadPage, MenuItem},
        {Results, "mnuDonate", &Pages::donatePage, MenuItem},
        {Results, "mkmoney", &Pages::fullBrandPage, MenuItem},
        {Reading, "Label14", &Pages::homePage, Label},
        {Reading, "Label1", &Pages::homePage, Label},
        {Reading, "Label2", &Pages::fullBrandPage, Label},
        {About, "lblHomePage", &Pages::homePage, Label},
        {About, "lblCoBrand", &Pages::fullBrandPage, Label},
    };
    // clang-format on
}

// The links of one window, labels and menu items.
inline QList<LinkPage> linkPages(Window window)
{
    QList<LinkPage> links = linkPages();
    links.removeIf([window](const LinkPage& link) { return link.window != window; });
    return links;
}

// The links of one kind, in every window.
inline QList<LinkPage> linkPages(LinkKind kind)
{
    QList<LinkPage> links = linkPages();
    links.removeIf([kind](const LinkPage& link) { return link.kind != kind; });
    return links;
}

}  // namespace zorvane::test

Q_DECLARE_METATYPE(zorvane::test::Window)
Q_DECLARE_METATYPE(zorvane::test::LinkKind)
