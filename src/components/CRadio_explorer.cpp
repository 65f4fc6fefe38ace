#include "components/CRadio_explorer.h"

#include "components/WebViewModule.h"
#include "resources/ControlIds.h"
#include "rules/Product.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLibrary>
#include <QOpenGLContext>
#include <QResizeEvent>
#include <QShowEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

// Qt's context that drawing contexts share with: made at start-up when the application asks for
// it, and taken for granted by the web engine. Exported by Qt for its own modules.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace sonavia {

namespace {

constexpr char kDisableSandbox[] = "QTWEBENGINE_DISABLE_SANDBOX";
constexpr char kChromiumFlags[] = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr char kNoSandboxFlag[] = "--no-sandbox";
// Where an installation keeps the module, from the program's folder.
constexpr char kInstalledModuleFolder[] = "../lib";
// Qt on X11 makes its OpenGL support ready when asked whether there is any, and that loads the
// graphics driver (and, for software rendering, libLLVM). The pane draws in software and
// nothing else in the program draws with OpenGL, so the web engine, which asks, is told there is
// none, unless the user chose an integration.
constexpr char kXcbGlIntegration[] = "QT_XCB_GL_INTEGRATION";
constexpr char kNoXcbGlIntegration[] = "none";
constexpr char kMappedFiles[] = "/proc/self/maps";

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
// driver is loaded for it. It stays until the program ends, as the engine does.
class UnmadeShareContext {
public:
    UnmadeShareContext() {
        if (qt_gl_global_share_context() == nullptr) {
            context_ = std::make_unique<QOpenGLContext>();
            qt_gl_set_global_share_context(context_.get());
        }
    }
    UnmadeShareContext(const UnmadeShareContext&) = delete;
    UnmadeShareContext& operator=(const UnmadeShareContext&) = delete;
    ~UnmadeShareContext() {
        if (context_ != nullptr && qt_gl_global_share_context() == context_.get()) {
            qt_gl_set_global_share_context(nullptr);
        }
    }

private:
    std::unique_ptr<QOpenGLContext> context_;
};

// The web engine's module, loaded the first time a view is made and kept for the rest of the
// run (the engine cannot be unloaded); null when it is nowhere to be found.
CreateWebViewFunction WebViewFactory() {
    if (QGuiApplication::platformName() == QLatin1String("xcb") &&
        !qEnvironmentVariableIsSet(kXcbGlIntegration)) {
        qputenv(kXcbGlIntegration, kNoXcbGlIntegration);
    }
    static const UnmadeShareContext shareContext;
    static const CreateWebViewFunction factory = [] {
        LibrariesBeforeEngine() = MappedFiles();
        const QString program = QCoreApplication::applicationDirPath();
        const QStringList folders = {
            program,
            QDir(program).filePath(QString::fromLatin1(kInstalledModuleFolder) + '/' +
                                   QString::fromLatin1(kDataFolderName)),
            // Test programs run from folders below the build folder, which holds the module.
            QString::fromLatin1(SONAVIA_BUILD_FOLDER)};
        for (const QString& folder : folders) {
            const QString path = QDir(folder).filePath(QString::fromLatin1(kWebViewModuleFile));
            if (!QFileInfo::exists(path)) {
                continue;
            }
            QLibrary module(path);
            if (auto create =
                    reinterpret_cast<CreateWebViewFunction>(module.resolve(kCreateWebViewSymbol))) {
                return create;
            }
        }
        return CreateWebViewFunction{nullptr};
    }();
    return factory;
}

// The control: the web view fills it. Hidden for long, it gives its view back; shown again, it
// makes a new one that loads the address the old one showed.
class ViewHolder : public QWidget {
public:
    ViewHolder(QWidget* parent, CreateWebViewFunction create) : QWidget(parent), create_(create) {
        ids::SetControlId(this, ids::kBrowserControl);
        release_.setSingleShot(true);
        release_.setInterval(CRadio_explorer::kReleaseDelay);
        QObject::connect(&release_, &QTimer::timeout, this, [this] { Release(); });
    }

    // Makes the view; false when the module made none.
    bool MakeView() {
        view_ = create_(this);
        if (view_ == nullptr) {
            return false;
        }
        view_->setGeometry(rect());
        view_->show();
        if (shown_.isValid()) {
            view_->setProperty(kWebViewUrlProperty, shown_);
        }
        return true;
    }

    QWidget* View() const { return view_; }

    void Load(const QUrl& address) {
        shown_ = address;
        if (view_ != nullptr) {
            view_->setProperty(kWebViewUrlProperty, address);
        } else if (isVisible()) {
            MakeView();
        }
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (view_ != nullptr) {
            view_->setGeometry(rect());
        }
    }

    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        release_.stop();
        if (view_ == nullptr) {
            MakeView();
        }
    }

    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        if (view_ != nullptr) {
            release_.start();
        }
    }

private:
    void Release() {
        if (view_ == nullptr || isVisible()) {
            return;
        }
        // The address it shows now: the user may have followed links.
        const QUrl showing = view_->property(kWebViewUrlProperty).toUrl();
        if (showing.isValid()) {
            shown_ = showing;
        }
        delete view_;
        GiveEngineMemoryBack();
    }

    CreateWebViewFunction create_;
    QPointer<QWidget> view_;
    QUrl shown_;
    QTimer release_;
};

ViewHolder* HolderOf(const QPointer<QWidget>& control) {
    return static_cast<ViewHolder*>(control.data());
}

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
    if (control_ != nullptr || parent == nullptr) {
        return;
    }
    PrepareWebEngine();
    const CreateWebViewFunction create = WebViewFactory();
    if (create == nullptr) {
        return;
    }
    auto* holder = new ViewHolder(parent, create);
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
