// The web view of the browser pane, built as a module that the program loads when the pane
// first opens (WebViewModule.h).
#include "browser/WebViewModule.h"

#include <QFile>
#include <QPointer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <memory>
#include <type_traits>

namespace sonavia {

namespace {

constexpr char kSitePageSuffix[] = ".php";
constexpr char kHtmlType[] = "text/html";
constexpr char kUtf8HtmlType[] = "text/html;charset=UTF-8";
constexpr char kPlainTextType[] = "text/plain";
constexpr char kContentTypeScript[] = "document.contentType";
// The engine takes a page given whole percent-encoded, in at most this many characters.
constexpr qsizetype kMaxEncodedPage = 2 * 1024 * 1024 - 30;

bool IsSitePage(const QUrl& url) {
    return url.path().endsWith(QLatin1String(kSitePageSuffix), Qt::CaseInsensitive);
}

// A page starts with a tag, after a byte order mark and blanks; a program or a picture that a
// ".php" address also may deliver does not.
bool LooksLikePage(const QByteArray& bytes) {
    QByteArrayView rest(bytes);
    if (rest.startsWith("\xEF\xBB\xBF")) {
        rest = rest.sliced(3);
    }
    rest = rest.trimmed();
    return rest.startsWith('<');
}

bool FitsWhole(const QByteArray& bytes) {
    return bytes.size() <= kMaxEncodedPage && bytes.toPercentEncoding().size() <= kMaxEncodedPage;
}

// Shows the ".php" pages that the engine would offer as downloads or show as text as web pages.
// A page offered as a download is received into a private folder, read and given to the page
// whole with its own address; one shown as plain text is given back the same way. Only the page
// asked for last is shown: a navigation started meanwhile wins.
class SitePagesAsHtml : public QObject {
public:
    explicit SitePagesAsHtml(QWebEngineView* view) : QObject(view), view_(view) {
        connect(view->page()->profile(), &QWebEngineProfile::downloadRequested, this,
                &SitePagesAsHtml::OnDownload);
        connect(view, &QWebEngineView::loadStarted, this, [this] { ++navigation_; });
        connect(view, &QWebEngineView::loadFinished, this, &SitePagesAsHtml::OnLoaded);
    }

private:
    void OnDownload(QWebEngineDownloadRequest* download) {
        if (download->page() != view_->page() || download->isSavePageDownload() ||
            !IsSitePage(download->url()) || !folder_.isValid()) {
            return;
        }
        const QUrl url = download->url();
        const QString path = folder_.filePath(QString::number(++received_));
        download->setDownloadDirectory(folder_.path());
        download->setDownloadFileName(QString::number(received_));
        connect(download, &QWebEngineDownloadRequest::receivedBytesChanged, this, [download] {
            if (download->receivedBytes() > kMaxEncodedPage) {
                download->cancel();
            }
        });
        connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this,
                [this, download, url, path, navigation = navigation_] {
                    if (!download->isFinished()) {
                        return;
                    }
                    QByteArray bytes;
                    QFile file(path);
                    if (download->state() == QWebEngineDownloadRequest::DownloadCompleted &&
                        file.open(QIODevice::ReadOnly)) {
                        bytes = file.read(kMaxEncodedPage + 1);
                        file.close();
                    }
                    file.remove();
                    if (navigation == navigation_) {
                        Show(bytes, kHtmlType, url);
                    }
                });
        download->accept();
    }

    // A ".php" page shown as plain text is shown again as a web page.
    void OnLoaded(bool ok) {
        const QUrl url = view_->url();
        if (!ok || !IsSitePage(url)) {
            return;
        }
        QPointer<SitePagesAsHtml> self(this);
        const int navigation = navigation_;
        view_->page()->runJavaScript(
            QLatin1String(kContentTypeScript), [self, url, navigation](const QVariant& type) {
                if (self == nullptr || navigation != self->navigation_ ||
                    type.toString() != QLatin1String(kPlainTextType)) {
                    return;
                }
                self->view_->page()->toPlainText([self, url, navigation](const QString& text) {
                    if (self != nullptr && navigation == self->navigation_) {
                        self->Show(text.toUtf8(), kUtf8HtmlType, url);
                    }
                });
            });
    }

    void Show(const QByteArray& bytes, const char* type, const QUrl& url) {
        if (LooksLikePage(bytes) && FitsWhole(bytes)) {
            view_->page()->setContent(bytes, QLatin1String(type), url);
        }
    }

    QWebEngineView* view_;
    QTemporaryDir folder_;
    int received_ = 0;
    // Counts the navigations started, so that a late answer for an older one is dropped.
    int navigation_ = 0;
};

// A view with a profile of its own that keeps nothing on disk, so that deleting the view gives
// back all the engine holds for it: its page, its renderer process and the profile's caches.
class SiteWebView : public QWebEngineView {
public:
    explicit SiteWebView(QWidget* parent)
        : QWebEngineView(parent), profile_(std::make_unique<QWebEngineProfile>()) {
        setPage(new QWebEnginePage(profile_.get(), this));
        new SitePagesAsHtml(this);
    }
    SiteWebView(const SiteWebView&) = delete;
    SiteWebView& operator=(const SiteWebView&) = delete;
    // The page goes before its profile.
    ~SiteWebView() override { delete page(); }

private:
    std::unique_ptr<QWebEngineProfile> profile_;
};

} // namespace

} // namespace sonavia

// The pane is drawn by Qt Quick's software renderer: no OpenGL context is made for it, so none
// of the graphics driver's libraries load with it, and the engine composes its pages in
// software, as it must without a context shared with the program's widgets.
extern "C" Q_DECL_EXPORT QWidget* SonaviaCreateWebView(QWidget* parent) {
    static_assert(std::is_same_v<decltype(&SonaviaCreateWebView), sonavia::CreateWebViewFunction>);
    if (QQuickWindow::graphicsApi() != QSGRendererInterface::Software) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }
    return new sonavia::SiteWebView(parent);
}
