// A top-level window of the program that GTK makes from its design (see
// gtk_about/gtk_form.h), placed by the program as its XCB windows are: the
// program watches GTK's X window on its own connection for the frame and the
// place, and it stands in the program's modal stack like any other window.
#pragma once

#include <xcb/xcb.h>

#include <memory>

#include "platform/backend.h"
#include "platform/gtk_about/gtk_form.h"
#include "platform/x11/placement/window_placement.h"
#include "platform/x11/windows/hosted_window.h"

namespace platform::x11 {

class WindowHost;

class GtkFormWindow final : public NativeWindow, public HostedWindow {
 public:
  // `form` made by the GTK module for `design`, realized and hidden.
  GtkFormWindow(WindowHost& host, const FormDesign& design, WindowEvents& events,
                std::unique_ptr<gtk_about::GtkForm> form);
  ~GtkFormWindow() override;
  GtkFormWindow(const GtkFormWindow&) = delete;
  GtkFormWindow& operator=(const GtkFormWindow&) = delete;

  Twips Left() const override { return placement_.Left(); }
  Twips Top() const override { return placement_.Top(); }
  Twips Width() const override { return placement_.Width(); }
  Twips Height() const override { return placement_.Height(); }
  void SetLeft(Twips value) override { placement_.SetLeft(value); }
  void SetTop(Twips value) override { placement_.SetTop(value); }
  void SetWidth(Twips value) override { placement_.SetWidth(value); }
  void SetHeight(Twips value) override { placement_.SetHeight(value); }
  int WindowState() const override;
  WindowHandle Handle() const override { return id_; }
  void SetControlBackColour(int control, Colour colour) override {
    form_->SetControlBackColour(control, colour);
  }
  void SetControlText(int control, std::string_view text) override {
    form_->SetControlText(control, text);
  }
  void Show(NativeWindow* owner) override;

  // HostedWindow: GTK takes the input; the program sees the structure.
  xcb_window_t Id() const override { return id_; }
  bool Shown() const override { return shown_; }
  bool Owns(xcb_window_t window) const override { return window == id_; }
  void HandleEvent(const xcb_generic_event_t& event) override;
  void CloseRequested() override { events_.OnCloseRequest(); }

 private:
  WindowHost& host_;
  WindowEvents& events_;
  std::unique_ptr<gtk_about::GtkForm> form_;
  xcb_window_t id_;
  WindowPlacement placement_;
  bool shown_ = false;
};

}  // namespace platform::x11
