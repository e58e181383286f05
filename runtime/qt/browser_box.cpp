#include "runtime/qt/browser_box.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#ifdef QUILLET_WEBENGINE
#include <QWebEngineSettings>
#include <QWebEngineView>
#endif

namespace quillet {

bool BrowserBoxAvailable() {
#ifdef QUILLET_WEBENGINE
    return true;
#else
    return false;
#endif
}

QWidget* BrowserView(QWidget* placeholder) {
    if (!placeholder) return nullptr;
    return placeholder->findChild<QWidget*>(QStringLiteral("browserView"),
                                            Qt::FindDirectChildrenOnly);
}

QWidget* MakeBrowserBox(QWidget* placeholder) {
#ifdef QUILLET_WEBENGINE
    if (!placeholder) return nullptr;
    if (QWidget* made = BrowserView(placeholder)) return made;
    auto* view = new QWebEngineView(placeholder);
    view->setObjectName(QStringLiteral("browserView"));
    // Silent: no scripts, so no script dialogs or error boxes; the player page is a local
    // file that embeds a remote song.
    QWebEngineSettings* settings = view->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    auto* layout = new QVBoxLayout(placeholder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    return view;
#else
    (void)placeholder;
    return nullptr;
#endif
}

bool NavigateBrowserBox(QWidget* placeholder, const QString& address) {
#ifdef QUILLET_WEBENGINE
    auto* view = static_cast<QWebEngineView*>(MakeBrowserBox(placeholder));
    if (!view) return false;
    QUrl url = address.startsWith(u'/') ? QUrl::fromLocalFile(address) : QUrl(address);
    view->setUrl(url);
    return true;
#else
    (void)placeholder;
    (void)address;
    return false;
#endif
}

}  // namespace quillet
