// The custom accent colour: a 34-pt square button that opens, in a popup, an
// editor with a preview, red, green and blue sliders and a field for a
// six-digit hexadecimal code. Every slider step writes the accent through
// the theme at once (so every view previews it while the user drags); a
// typed code takes effect when confirmed with Return or "Uygula". There is
// no undo: what was last set stays when the popup closes. Main thread.
#pragma once

#include <QWidget>

#include <array>
#include <memory>

#include "kit/kivo_button.h"
#include "kit/kit_theme.h"

class KitLabel;
class KivoPopup;
class QLineEdit;

// A continuous 0...1 slider tinted with the accent.
class ChannelSlider : public QWidget {
  Q_OBJECT

public:
  ChannelSlider(const QString& title, std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

  double value() const { return m_value; }
  // Moves the knob without reporting a step.
  void setValue(double value);

  QSize sizeHint() const override { return QSize(180, 20); }

Q_SIGNALS:
  // Emitted for every change the user makes, while dragging too.
  void moved(double value);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void userSet(double value);
  double valueAt(double x) const;

  std::shared_ptr<KitTheme> m_theme;
  double m_value = 0;
};

class KivoColorEditor : public QWidget {
  Q_OBJECT

public:
  static constexpr int kWidth = 290;

  // An editor that starts from the stored accent; `close` closes its popup.
  KivoColorEditor(std::function<void()> close, std::shared_ptr<KitTheme> theme,
                  QWidget* parent = nullptr);

  // Whether the field holds six ASCII hexadecimal digits.
  bool valid() const;
  static bool valid(const QString& hex);
  // Sets the channels from the field (0x6658D3 when it does not parse).
  void setChannels();
  // Applies a valid field: channels, then the accent in lower case.
  void apply();
  // One slider step of channel 0 (red), 1 (green) or 2 (blue).
  void setChannel(int channel, double value);
  // "%02X%02X%02X" of the channels, each rounded half away from zero.
  static QString hexOf(const std::array<double, 3>& channels);

  const std::array<double, 3>& channels() const { return m_channels; }
  QString hex() const;
  QString hint() const;
  QLineEdit* field() const { return m_field; }
  KivoButton* applyButton() const { return m_apply; }
  KivoButton* closeButton() const { return m_closeButton; }
  ChannelSlider* slider(int channel) const { return m_sliders[channel]; }
  // The preview's colour.
  QColor previewColor() const;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void refresh();

  std::function<void()> m_close;
  std::shared_ptr<KitTheme> m_theme;
  std::array<double, 3> m_channels{0.4, 0.35, 0.83};
  std::array<ChannelSlider*, 3> m_sliders{};
  QWidget* m_preview = nullptr;
  QLineEdit* m_field = nullptr;
  KivoButton* m_apply = nullptr;
  KivoButton* m_closeButton = nullptr;
  KitLabel* m_hint = nullptr;
};

class KivoColorPicker : public KivoButton {
  Q_OBJECT

public:
  static constexpr int kSide = 34;

  explicit KivoColorPicker(std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

  bool isOpen() const;
  KivoPopup* popup() const { return m_popup; }
  // The open editor, or null.
  KivoColorEditor* editor() const;

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;

private:
  KivoPopup* m_popup;
};
