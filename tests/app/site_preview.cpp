// SPDX-License-Identifier: GPL-3.0-or-later
// Shows one page of the built-in site at the resource view's width (481 pixels) and the page's
// full height, for a look or a screenshot. Usage: site_preview ADDRESS
// Prints the window's geometry once the page has loaded; ends after ten seconds.
#include <QApplication>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>

#include "app/SiteSetup.h"
#include "platform/paths/PathBytes.h"

int main(int argc, char** argv) {
    vm::PrepareBrowserEngine();
    QApplication app(argc, argv);
    const vm::BuiltInSiteServer site;
    QWebEngineView view;
    view.setWindowFlags(Qt::FramelessWindowHint);
    view.setGeometry(0, 0, 481, 257);
    QObject::connect(&view, &QWebEngineView::loadFinished, &view, [&view] {
        view.page()->runJavaScript(QStringLiteral("document.documentElement.scrollHeight"),
                                   [&view](const QVariant& height) {
                                       view.resize(481, std::max(257, height.toInt()));
                                       QTimer::singleShot(800, &view, [&view] {
                                           std::printf("%d %d %d %d\n", view.x(), view.y(),
                                                       view.width(), view.height());
                                           std::fflush(stdout);
                                       });
                                   });
    });
    view.load(QUrl(vm::PathFromBytes(argc > 1 ? argv[1] : "vidmorf://site/flv/index09.htm")));
    view.show();
    QTimer::singleShot(10000, &app, &QApplication::quit);
    return app.exec();
}
