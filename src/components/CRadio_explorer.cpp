#include "components/CRadio_explorer.h"

#include "resources/ControlIds.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <unistd.h>

namespace sonavia {

namespace {

constexpr char kDisableSandbox[] = "QTWEBENGINE_DISABLE_SANDBOX";
constexpr char kChromiumFlags[] = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr char kNoSandboxFlag[] = "--no-sandbox";

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

} // namespace

void PrepareWebEngineFor(bool superuser) {
    if (superuser) {
        qputenv(kDisableSandbox, "1");
        return;
    }
    qunsetenv(kDisableSandbox);
    const QByteArrayList flags = qgetenv(kChromiumFlags).split(' ');
    QByteArrayList kept;
    for (const QByteArray& flag : flags) {
        if (!flag.isEmpty() && flag != kNoSandboxFlag) {
            kept.append(flag);
        }
    }
    if (kept.size() != flags.size()) {
        qputenv(kChromiumFlags, kept.join(' '));
    }
}

void PrepareWebEngine() {
    PrepareWebEngineFor(geteuid() == 0);
}

void CRadio_explorer::Create(const QRect& rect, QWidget* parent) {
    if (view_ != nullptr || parent == nullptr) {
        return;
    }
    PrepareWebEngine();
    view_ = new QWebEngineView(parent);
    new SitePagesAsHtml(view_);
    ids::SetControlId(view_, ids::kBrowserControl);
    view_->setGeometry(rect);
    view_->show();
}

QWidget* CRadio_explorer::Window() const {
    return view_;
}

QWebEngineView* CRadio_explorer::View() const {
    return view_;
}

void CRadio_explorer::Navigate(const QString& address) {
    if (view_ != nullptr) {
        view_->load(QUrl::fromUserInput(address));
    }
}

void CRadio_explorer::ShowAndEnable() {
    if (view_ != nullptr) {
        view_->show();
        view_->setEnabled(true);
    }
}

void CRadio_explorer::Hide() {
    if (view_ != nullptr) {
        view_->hide();
    }
}

void CRadio_explorer::SetParent(QWidget* parent) {
    if (view_ != nullptr && parent != nullptr) {
        // setParent hides a widget; the control keeps the visibility it had.
        const bool visible = view_->isVisibleTo(view_->parentWidget());
        view_->setParent(parent);
        view_->setVisible(visible);
    }
}

} // namespace sonavia
