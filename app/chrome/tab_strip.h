// The window's tab strip as the chrome places it: a thin host over one
// NativeTabStrip that feeds it the model's tabs, selection, accent and
// reduce-motion setting on every change, and connects its signals once to
// the model (select, close, move, restore the order) and to the model's
// workspace (the tear-off preview, the drop and its cancellation). Main
// thread.
#pragma once

#include <QWidget>

#include <memory>

class BrowserModel;
class KitTheme;
class NativeTabStrip;

class BrowserTabStrip : public QWidget {
  Q_OBJECT

public:
  explicit BrowserTabStrip(BrowserModel& model, QWidget* parent = nullptr);
  ~BrowserTabStrip() override;

  NativeTabStrip* nativeStrip() const { return m_strip; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  // Connects the strip's intents to the model and its workspace.
  void wire();
  // Hands the strip the model's tabs, selection, accent and motion setting.
  void sync();

  BrowserModel& m_model;
  std::shared_ptr<KitTheme> m_theme;
  NativeTabStrip* m_strip;
};
