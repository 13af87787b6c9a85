// The window's tab strip as the chrome places it: a thin host over one
// NativeTabStrip that feeds it the model's tabs, selection, accent and
// reduce-motion setting on every change, and connects its signals once to
// the model (select, close, move, restore the order) and to its window's
// tear-off (the preview, the drop and its cancellation). Main thread.
#pragma once

#include <QPoint>
#include <QUuid>
#include <QWidget>

#include <memory>

class BrowserModel;
class KitTheme;
class NativeTabStrip;

// What a window offers its strips for a tab dragged outside them: the window
// controller passes each call on to its workspace, with its model.
class TabTearOff {
public:
  virtual ~TabTearOff() = default;
  // Whether a tab may leave the strip now: while the window belongs to a
  // workspace.
  virtual bool canTearOff() const = 0;
  // The tab `tab` is dragged outside its strip, at `screenPoint`.
  virtual void updateDragPreview(const QUuid& tab, QPoint screenPoint) = 0;
  // The drag ended outside its strip at `screenPoint`; true when the tab was
  // taken (into another window, or into a window of its own).
  virtual bool dropTab(const QUuid& tab, QPoint screenPoint) = 0;
  // The drag outside the strip was abandoned.
  virtual void cancelDragPreview() = 0;
};

class BrowserTabStrip : public QWidget {
  Q_OBJECT

public:
  // Without a tear-off (or while it refuses), a tab never leaves the strip.
  explicit BrowserTabStrip(BrowserModel& model, TabTearOff* tearOff = nullptr, QWidget* parent = nullptr);
  ~BrowserTabStrip() override;

  NativeTabStrip* nativeStrip() const { return m_strip; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  // Connects the strip's intents to the model and the tear-off.
  void wire();
  // The tear-off while it takes tabs, else null.
  TabTearOff* openTearOff() const;
  // Hands the strip the model's tabs, selection, accent and motion setting.
  void sync();

  BrowserModel& m_model;
  TabTearOff* m_tearOff;
  std::shared_ptr<KitTheme> m_theme;
  NativeTabStrip* m_strip;
};
