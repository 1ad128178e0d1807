// The program's own help viewer: a text browser on the HTML pages bundled
// with lumeno (a tutorial and one page per item kind).
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// Help topics: the tutorial and the pages of the item kinds.
inline constexpr const char* kHelpTutorial = "help";
inline constexpr const char* kHelpMultiplexer = "mux";
inline constexpr const char* kHelpRegister = "reg";
inline constexpr const char* kHelpMultiplier = "mul";
inline constexpr const char* kHelpAdder = "add";
inline constexpr const char* kHelpSubtractor = "sub";
inline constexpr const char* kHelpComparator = "cmp";

// A window with a text browser showing one help page at a time.
class THelpWindow : public QWidget {
  Q_OBJECT
 public:
  // Creates the (hidden) help window.
  explicit THelpWindow(QWidget* parent = nullptr);

  // Shows the page of `topic` ("help", "mux", ... or "mux.hlp"); false if unknown.
  bool showTopic(const QString& topic);

  // The browser, for tests.
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

// Resource URL of a help topic's page; empty when there is no such page.
QString HelpPageUrl(const QString& topic);
