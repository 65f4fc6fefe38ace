#pragma once

class QWidget;

namespace sonavia {

// The web engine is costly: linked into the program, it would load at every start, its libraries
// and the drawing context it makes for its views with it. So the web view lives apart from the
// program: on X11 in a program of its own (BrowserProtocol.h), which is built with the view's
// code, and elsewhere in a module, which the program loads only when the browser pane first opens.
//
// The module, "sonavia_webengine.so", lies beside the program (the build folder) or in
// <prefix>/lib/<data folder name> of an installation, and exports one function of this type
// under kCreateWebViewSymbol: it makes a web view as a child of `parent`, null when it cannot.
// The view is a plain widget to the program, which lets it load an address through its "url"
// property; deleting it gives back what it holds in the engine.
inline constexpr char kWebViewModuleFile[] = "sonavia_webengine.so";
inline constexpr char kCreateWebViewSymbol[] = "SonaviaCreateWebView";
inline constexpr char kWebViewUrlProperty[] = "url";
using CreateWebViewFunction = QWidget* (*)(QWidget* parent);

} // namespace sonavia

// The module's function, which the browser program calls directly.
extern "C" QWidget* SonaviaCreateWebView(QWidget* parent);
