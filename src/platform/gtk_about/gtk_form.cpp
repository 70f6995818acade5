// A form's design translated to GTK widgets: each control at its design
// place in a layout that does not hold the window at its content's size, so
// that enlarging shows the face around the controls and shrinking clips them.
#include "platform/gtk_about/gtk_form.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <span>
#include <string>

#include "platform/gtk_about/control_widgets.h"
#include "platform/gtk_about/gtk_start.h"
#include "platform/input/tab_order.h"
#include "platform/twips.h"

namespace platform::gtk_about {

namespace {

GdkPixbuf* IconPixbuf(const std::vector<std::uint32_t>& icon) {
  if (icon.size() < 2) {
    return nullptr;
  }
  const int width = static_cast<int>(icon[0]);
  const int height = static_cast<int>(icon[1]);
  if (width <= 0 || height <= 0 || icon.size() < 2 + std::size_t(width) * std::size_t(height)) {
    return nullptr;
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t argb = icon[2 + std::size_t(y) * std::size_t(width) + std::size_t(x)];
      guchar* pixel = pixels + y * stride + x * 4;
      pixel[0] = static_cast<guchar>(argb >> 16);
      pixel[1] = static_cast<guchar>(argb >> 8);
      pixel[2] = static_cast<guchar>(argb);
      pixel[3] = static_cast<guchar>(argb >> 24);
    }
  }
  return pixbuf;
}

class Form final : public GtkForm {
 public:
  Form(const FormDesign& design, WindowEvents& events, const FormSetup& setup)
      : design_(design), events_(events), twips_per_pixel_(setup.twips_per_pixel) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);  // loads the theme, the first time
    setup.meanwhile();
    gtk_window_set_title(GTK_WINDOW(window_), std::string(design.caption).c_str());
    // A modal dialog of the main window, resizable, with no taskbar or pager
    // entry. Static gravity: the place given is the client's own.
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), !design.show_in_taskbar);
    gtk_window_set_skip_pager_hint(GTK_WINDOW(window_), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window_), TRUE);
    gtk_window_set_gravity(GTK_WINDOW(window_), GDK_GRAVITY_STATIC);
    if (GdkPixbuf* icon = IconPixbuf(setup.icon)) {
      gtk_window_set_icon(GTK_WINDOW(window_), icon);
      g_object_unref(icon);
    }
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);

    GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(window_), layout);
    const ControlContext context{design.font, twips_per_pixel_, events_};
    controls_.resize(design.controls.size());
    // The table lists the topmost control first; a later child is drawn
    // above an earlier one.
    for (std::size_t row = design.controls.size(); row-- > 0;) {
      const ControlDesign& control = design.controls[row];
      controls_[row] = MakeControlWidgets(context, control, static_cast<int>(row));
      setup.meanwhile();  // the first text loads the fonts, the picture is decoded
      if (controls_[row].outer != nullptr) {
        gtk_layout_put(GTK_LAYOUT(layout), controls_[row].outer,
                       TwipsToPixels(control.left, twips_per_pixel_),
                       TwipsToPixels(control.top, twips_per_pixel_));
      }
    }
    SetFocusChain(layout);
    gtk_widget_show_all(layout);
    gtk_widget_realize(window_);
    setup.meanwhile();
    // The program watches the window on its own connection: the server
    // has it before the program hears of it.
    gdk_display_sync(gtk_widget_get_display(window_));
  }

  ~Form() override { gtk_widget_destroy(window_); }
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  std::uint32_t XWindow() const override {
    return static_cast<std::uint32_t>(gdk_x11_window_get_xid(gtk_widget_get_window(window_)));
  }

  void SetControlText(int control, std::string_view text) override {
    SetText(controls_.at(static_cast<std::size_t>(control)), text);
  }

  void SetControlBackColour(int control, Colour colour) override {
    SetBackColour(controls_.at(static_cast<std::size_t>(control)),
                  design_.controls[static_cast<std::size_t>(control)], colour, twips_per_pixel_);
  }

  // The first control in the tab order has the focus once the window is on
  // screen (set before, GTK would take the first Tab for a wrap).
  void Show(int x, int y, int width, int height, std::uint32_t user_time) override {
    // A time of 0 would ask the window manager not to give it the focus.
    if (user_time != 0) {
      gdk_x11_window_set_user_time(gtk_widget_get_window(window_), user_time);
    }
    gtk_window_move(GTK_WINDOW(window_), x, y);
    gtk_window_set_default_size(GTK_WINDOW(window_), width, height);
    gtk_window_resize(GTK_WINDOW(window_), width, height);
    // Move, resize and close; no minimise or maximise where the window
    // manager honours that. GTK writes these hints when it maps the window.
    GdkWindow* gdk_window = gtk_widget_get_window(window_);
    gtk_widget_show(window_);
    gdk_window_set_functions(
        gdk_window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_RESIZE | GDK_FUNC_CLOSE));
    gdk_window_set_decorations(gdk_window,
                               static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_RESIZEH |
                                                            GDK_DECOR_TITLE | GDK_DECOR_MENU));
    const std::vector<int> order = TabOrder(design_.controls);
    if (!order.empty()) {
      gtk_widget_grab_focus(controls_[static_cast<std::size_t>(order.front())].focus);
    }
  }

 private:
  // A layout takes the focus in order of position; the design's tab order
  // is another.
  void SetFocusChain(GtkWidget* layout) {
    GList* chain = nullptr;
    for (const int row : TabOrder(design_.controls)) {
      if (GtkWidget* outer = controls_[static_cast<std::size_t>(row)].outer) {
        chain = g_list_append(chain, outer);
      }
    }
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(layout), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
  }

  // The close box: the program decides, and destroys the window itself.
  static gboolean OnDelete(GtkWidget* /*window*/, GdkEvent* /*event*/, gpointer self) {
    static_cast<Form*>(self)->events_.OnCloseRequest();
    return TRUE;
  }

  const FormDesign& design_;
  WindowEvents& events_;
  double twips_per_pixel_;
  GtkWidget* window_ = nullptr;
  std::vector<ControlWidgets> controls_;  // one per design row; timers have none
};

}  // namespace

}  // namespace platform::gtk_about

extern "C" __attribute__((visibility("default"))) bool varn_start_gtk() {
  return platform::gtk_about::StartGtk();
}

extern "C" __attribute__((visibility("default"))) platform::gtk_about::GtkForm* varn_make_gtk_form(
    const platform::FormDesign& design, platform::WindowEvents& events,
    const platform::gtk_about::FormSetup& setup) {
  if (!platform::gtk_about::StartGtk()) {
    return nullptr;
  }
  return new platform::gtk_about::Form(design, events, setup);
}
