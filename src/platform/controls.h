// The run-time objects behind a form's visual controls. A control keeps its
// current properties whether or not its window exists, and passes each change
// on to the window while the form is loaded.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "platform/design.h"

namespace platform {

class Form;

class Control {
 public:
  Control(Form& form, int index, const ControlDesign& design);

  const ControlDesign& Design() const { return design_; }
  int Index() const { return index_; }

  Colour BackColor() const { return back_colour_; }
  void SetBackColor(Colour colour);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view caption);

  std::function<void()> Click;
  std::function<void()> DblClick;

 private:
  friend class Form;
  void ResetToDesign();

  Form& form_;
  int index_;
  const ControlDesign& design_;
  Colour back_colour_ = 0;
  std::string caption_;
};

// Labels, push buttons, text boxes and picture boxes differ only in design.
using Label = Control;
using CommandButton = Control;
using TextBox = Control;
using PictureBox = Control;

// A row of controls named NAME_1 to NAME_n, reached by number as Row(n).
template <typename T, int N>
class ControlArray {
 public:
  static constexpr int kCount = N;
  T& operator()(int number) { return *items_.at(static_cast<std::size_t>(number - 1)); }
  void Bind(int number, T& item) { items_.at(static_cast<std::size_t>(number - 1)) = &item; }

 private:
  std::array<T*, N> items_{};
};

}  // namespace platform
