#include "browser/CRadio_explorer.h"

#include "browser/BrowserLog.h"
#include "browser/BrowserProcess.h"
#include "browser/BrowserProtocol.h"
#include "browser/PageView.h"
#include "browser/WebViewModule.h"
#include "resources/ControlIds.h"
#include "rules/Product.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLibrary>
#include <QOpenGLContext>
#include <QPalette>
#include <QResizeEvent>
#include <QShowEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <utility>

// Qt's context that drawing contexts share with: made at start-up when the application asks for
// it, and taken for granted by the web engine. Exported by Qt for its own modules.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace sonavia {

namespace {

// Where an installation keeps the module and the browser program, from the program's folder.
constexpr char kInstalledFolder[] = "../lib";
constexpr char kMappedFiles[] = "/proc/self/maps";
// Until the page draws: a blank page.
constexpr Qt::GlobalColor kBlankPage = Qt::white;

// The file beside the program, in an installation's folder or in the build folder; empty when
// it is nowhere.
QString FindBesideProgram(const char* name) {
    const QString program = QCoreApplication::applicationDirPath();
    const QStringList folders = {
        program,
        QDir(program).filePath(QString::fromLatin1(kInstalledFolder) + '/' +
                               QString::fromLatin1(kDataFolderName)),
        // Test programs run from folders below the build folder, which holds both.
        QString::fromLatin1(SONAVIA_BUILD_FOLDER)};
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name));
        if (QFileInfo::exists(path)) {
            return path;
        }
    }
    return {};
}

// The files mapped into the process: its libraries.
std::set<std::string> MappedFiles() {
    std::set<std::string> files;
    std::ifstream maps(kMappedFiles);
    std::string line;
    while (std::getline(maps, line)) {
        const auto path = line.find('/');
        if (path != std::string::npos) {
            files.insert(line.substr(path));
        }
    }
    return files;
}

// The libraries mapped before the web engine's module was loaded; the rest came with it.
std::set<std::string>& LibrariesBeforeEngine() {
    static std::set<std::string> libraries;
    return libraries;
}

// Gives back what the engine holds that it does not need while it shows no page: the memory
// its allocations freed, and the pages of its own libraries, which it reads again from the disk
// cache when a page is shown again. Pages that other processes also map stay.
void GiveEngineMemoryBack() {
    malloc_trim(0);
    const std::set<std::string>& before = LibrariesBeforeEngine();
    std::ifstream maps(kMappedFiles);
    std::string line;
    while (std::getline(maps, line)) {
        const auto path = line.find('/');
        if (path == std::string::npos || before.count(line.substr(path)) != 0) {
            continue;
        }
        std::istringstream range(line);
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        if (range >> std::hex >> start >> dash >> end && end > start) {
            // Advice only: a kernel without it leaves the pages where they are.
            madvise(reinterpret_cast<void*>(start), end - start, MADV_PAGEOUT);
        }
    }
}

// The web engine reads the format of Qt's shared drawing context as it starts, and takes it to
// exist: it would, had the program asked for it before its application object, at the cost of
// making an OpenGL context at every start. The pane is drawn in software (SiteWebView.cpp), so
// the engine is given a shared context that is never made: it has a format, and no graphics
// driver is loaded for it. It stays while the application object does, as the engine does, and
// goes with it: after that, Qt's per-thread data that a context's end reads is gone.
std::unique_ptr<QOpenGLContext>& UnmadeShareContext() {
    static std::unique_ptr<QOpenGLContext> context;
    return context;
}

void ReleaseUnmadeShareContext() {
    std::unique_ptr<QOpenGLContext>& context = UnmadeShareContext();
    if (context != nullptr && qt_gl_global_share_context() == context.get()) {
        qt_gl_set_global_share_context(nullptr);
    }
    context.reset();
}

void MakeUnmadeShareContext() {
    std::unique_ptr<QOpenGLContext>& context = UnmadeShareContext();
    if (context == nullptr && qt_gl_global_share_context() == nullptr) {
        context = std::make_unique<QOpenGLContext>();
        qt_gl_set_global_share_context(context.get());
        qAddPostRoutine(ReleaseUnmadeShareContext);
    }
}

// The web engine's module, loaded the first time a view is made and kept for the rest of the
// run (the engine cannot be unloaded); null when it is nowhere to be found.
CreateWebViewFunction WebViewFactory() {
    if (QGuiApplication::platformName() == QLatin1String(browser::kX11Platform)) {
        KeepWebEngineOffOpenGl();
    }
    static const CreateWebViewFunction factory = [] {
        MakeUnmadeShareContext();
        LibrariesBeforeEngine() = MappedFiles();
        const QString path = FindBesideProgram(kWebViewModuleFile);
        if (path.isEmpty()) {
            qCWarning(lcBrowser) << "the web engine's module" << kWebViewModuleFile
                                 << "is not beside the program: the pane stays blank";
            return CreateWebViewFunction{nullptr};
        }
        QLibrary module(path);
        const auto create =
            reinterpret_cast<CreateWebViewFunction>(module.resolve(kCreateWebViewSymbol));
        if (create == nullptr) {
            qCWarning(lcBrowser) << "the web engine's module cannot be loaded:"
                                 << module.errorString();
        } else {
            qCInfo(lcBrowser) << "the pane shows pages through the module" << path;
        }
        return create;
    }();
    return factory;
}

// A web view of the module, filling the control.
class ModuleView final : public PageView {
public:
    ModuleView(CreateWebViewFunction create, QWidget& control) : view_(create(&control)) {
        if (view_ != nullptr) {
            view_->show();
        }
    }
    ~ModuleView() override {
        if (view_ != nullptr) {
            delete view_;
            GiveEngineMemoryBack();
        }
    }

    void Load(const QUrl& address) override {
        if (view_ != nullptr) {
            view_->setProperty(kWebViewUrlProperty, address);
        }
    }
    QUrl Showing() const override {
        return view_ != nullptr ? view_->property(kWebViewUrlProperty).toUrl() : QUrl();
    }
    void Resize(const QSize& size) override {
        if (view_ != nullptr) {
            view_->setGeometry(QRect(QPoint(0, 0), size));
        }
    }
    // A child of the control, it is shown and hidden with it.
    void SetShown(bool) override {}
    bool Ended() const override { return view_ == nullptr; }
    QWidget* Widget() const override { return view_; }

private:
    QPointer<QWidget> view_;
};

// Makes the view of a control; null when it cannot.
using MakePageView = std::function<std::unique_ptr<PageView>(QWidget& control, const QUrl&)>;

// The browser program where its window can lie in the control's, else the module's view; null
// when neither is there.
MakePageView PageViewMaker() {
    const QString program = QGuiApplication::platformName() == QLatin1String(browser::kX11Platform)
                                ? FindBesideProgram(browser::kProgramFile)
                                : QString();
    if (!program.isEmpty()) {
        qCInfo(lcBrowser) << "the pane shows pages through the browser program" << program;
        return [program](QWidget& control, const QUrl& address) -> std::unique_ptr<PageView> {
            // The browser's window lies in the control's own window.
            control.setAttribute(Qt::WA_DontCreateNativeAncestors);
            control.setAttribute(Qt::WA_NativeWindow);
            return std::make_unique<BrowserProcess>(program, control.winId(), control.size(),
                                                    address);
        };
    }
    const CreateWebViewFunction create = WebViewFactory();
    if (create == nullptr) {
        return nullptr;
    }
    return [create](QWidget& control, const QUrl& address) -> std::unique_ptr<PageView> {
        auto view = std::make_unique<ModuleView>(create, control);
        if (view->Ended()) {
            return nullptr;
        }
        view->Resize(control.size());
        if (address.isValid()) {
            view->Load(address);
        }
        return view;
    };
}

// The control: the view fills it. Hidden for long, it gives its view back; shown again, it
// makes a new one that loads the address the old one showed.
class ViewHolder : public QWidget {
public:
    ViewHolder(QWidget* parent, MakePageView make) : QWidget(parent), make_(std::move(make)) {
        ids::SetControlId(this, ids::kBrowserControl);
        QPalette blank = palette();
        blank.setColor(QPalette::Window, kBlankPage);
        setPalette(blank);
        setAutoFillBackground(true);
        release_.setSingleShot(true);
        release_.setInterval(CRadio_explorer::kReleaseDelay);
        QObject::connect(&release_, &QTimer::timeout, this, [this] { Release(); });
    }

    // Makes the view, in place of one whose program ended; false when none could be made.
    bool MakeView() {
        Forget();
        view_ = make_(*this, shown_);
        if (view_ == nullptr) {
            return false;
        }
        if (isVisible()) {
            view_->SetShown(true);
        }
        return true;
    }

    QWidget* View() const { return view_ != nullptr ? view_->Widget() : nullptr; }

    void Load(const QUrl& address) {
        qCInfo(lcBrowser) << "load" << address.toDisplayString();
        shown_ = address;
        if (view_ != nullptr && !view_->Ended()) {
            view_->Load(address);
        } else if (isVisible()) {
            MakeView();
        }
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (view_ != nullptr) {
            view_->Resize(size());
        }
    }

    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        release_.stop();
        if (view_ == nullptr || view_->Ended()) {
            MakeView();
        } else {
            view_->SetShown(true);
        }
    }

    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        if (view_ != nullptr) {
            view_->SetShown(false);
            release_.start();
        }
    }

private:
    void Release() {
        if (!isVisible()) {
            Forget();
        }
    }

    // Gives the view back, keeping the address it shows.
    void Forget() {
        if (view_ == nullptr) {
            return;
        }
        const QUrl showing = view_->Showing();
        if (showing.isValid()) {
            shown_ = showing;
        }
        view_.reset();
    }

    MakePageView make_;
    std::unique_ptr<PageView> view_;
    QUrl shown_;
    QTimer release_;
};

ViewHolder* HolderOf(const QPointer<QWidget>& control) {
    return static_cast<ViewHolder*>(control.data());
}

} // namespace

void CRadio_explorer::Create(const QRect& rect, QWidget* parent) {
    if (control_ != nullptr || parent == nullptr) {
        return;
    }
    PrepareWebEngine();
    MakePageView make = PageViewMaker();
    if (make == nullptr) {
        return;
    }
    auto* holder = new ViewHolder(parent, std::move(make));
    holder->setGeometry(rect);
    if (!holder->MakeView()) {
        delete holder;
        return;
    }
    control_ = holder;
    holder->show();
}

QWidget* CRadio_explorer::Window() const {
    return control_;
}

QWidget* CRadio_explorer::View() const {
    return control_ != nullptr ? HolderOf(control_)->View() : nullptr;
}

void CRadio_explorer::Navigate(const QString& address) {
    if (control_ != nullptr) {
        HolderOf(control_)->Load(QUrl::fromUserInput(address));
    }
}

void CRadio_explorer::ShowAndEnable() {
    if (control_ != nullptr) {
        control_->show();
        control_->setEnabled(true);
    }
}

void CRadio_explorer::Hide() {
    if (control_ != nullptr) {
        control_->hide();
    }
}

void CRadio_explorer::SetParent(QWidget* parent) {
    if (control_ != nullptr && parent != nullptr) {
        // setParent hides a widget; the control keeps the visibility it had.
        const bool visible = control_->isVisibleTo(control_->parentWidget());
        control_->setParent(parent);
        control_->setVisible(visible);
    }
}

} // namespace sonavia
