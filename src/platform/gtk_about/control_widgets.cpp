// Each kind of control as GTK widgets, at its design size.
#include "platform/gtk_about/control_widgets.h"

#include <span>
#include <string>

#include "platform/gtk_about/design_style.h"
#include "platform/twips.h"

namespace platform::x11 {
std::span<const unsigned char> Picture(std::string_view name);
}  // namespace platform::x11

namespace platform::gtk_about {

namespace {

struct Handler {
  WindowEvents* events;
  int row;
};

void FreeHandler(gpointer handler, GClosure* /*closure*/) {
  delete static_cast<Handler*>(handler);
}

template <typename Callback>
void Connect(GtkWidget* widget, const char* signal, Callback callback,
             const ControlContext& context, int row) {
  g_signal_connect_data(widget, signal, G_CALLBACK(callback), new Handler{&context.events, row},
                        FreeHandler, GConnectFlags{});
}

void OnClicked(GtkButton* /*button*/, gpointer data) {
  const auto* handler = static_cast<const Handler*>(data);
  handler->events->OnControlClick(handler->row);
}

// The second press of a double-click; the window may be gone after it.
gboolean OnPress(GtkWidget* /*widget*/, GdkEventButton* event, gpointer data) {
  const auto* handler = static_cast<const Handler*>(data);
  if (event->button == 1 && event->type == GDK_2BUTTON_PRESS) {
    handler->events->OnControlDblClick(handler->row);
    return TRUE;
  }
  return FALSE;
}

// The caret at the start, so that the box shows its first line.
void SetBoxText(GtkWidget* view, const std::string& text) {
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
  gtk_text_buffer_set_text(buffer, text.c_str(), static_cast<int>(text.size()));
  GtkTextIter start;
  gtk_text_buffer_get_start_iter(buffer, &start);
  gtk_text_buffer_place_cursor(buffer, &start);
}

void SetSize(GtkWidget* widget, const ControlDesign& control, double twips_per_pixel) {
  gtk_widget_set_size_request(widget, TwipsToPixels(control.width, twips_per_pixel),
                              TwipsToPixels(control.height, twips_per_pixel));
}

// A label: its own face, the text at the top of the inside, one line; an
// event box under it catches the mouse for the label's double-click.
ControlWidgets MakeLabel(const ControlContext& context, const ControlDesign& control, int row) {
  GtkWidget* box = gtk_event_box_new();
  GtkWidget* label = gtk_label_new(std::string(control.caption).c_str());
  const bool centred = control.alignment == Alignment::Centre;
  gtk_label_set_xalign(GTK_LABEL(label), centred ? 0.5f : 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_justify(GTK_LABEL(label), centred ? GTK_JUSTIFY_CENTER : GTK_JUSTIFY_LEFT);
  StyleWidget(label, LabelFaceCss(control, context.twips_per_pixel) +
                         TextCss(control, control.font.value_or(context.window_font),
                                 context.twips_per_pixel));
  gtk_container_add(GTK_CONTAINER(box), label);
  SetSize(box, control, context.twips_per_pixel);
  if (control.handles_dbl_click) {
    Connect(box, "button-press-event", OnPress, context, row);
  }
  return {box, label, nullptr};
}

// Neither the window's default nor its cancel button: Return and Space
// press it only while it has the focus.
ControlWidgets MakePushButton(const ControlContext& context, const ControlDesign& control,
                              int row) {
  GtkWidget* button = gtk_button_new_with_label(std::string(control.caption).c_str());
  gtk_widget_set_can_default(button, FALSE);
  StyleWidget(
      gtk_bin_get_child(GTK_BIN(button)),
      TextCss(control, control.font.value_or(context.window_font), context.twips_per_pixel));
  SetSize(button, control, context.twips_per_pixel);
  if (control.handles_click) {
    Connect(button, "clicked", OnClicked, context, row);
  }
  return {button, gtk_bin_get_child(GTK_BIN(button)), button};
}

// A locked box: its text can be selected and copied, not changed. The
// scrolled window draws the sunken border and lets the box be smaller than
// its lines.
ControlWidgets MakeTextBox(const ControlContext& context, const ControlDesign& control,
                           int /*row*/) {
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                 control.multi_line ? GTK_POLICY_EXTERNAL : GTK_POLICY_NEVER);
  if (control.border == Border::FixedSingle) {
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    StyleWidget(scrolled, SunkenBorderCss(context.twips_per_pixel));
  }
  GtkWidget* view = gtk_text_view_new();
  gtk_text_view_set_editable(GTK_TEXT_VIEW(view), !control.locked);
  gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(view), FALSE);
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view),
                              control.multi_line ? GTK_WRAP_WORD_CHAR : GTK_WRAP_NONE);
  gtk_text_view_set_justification(GTK_TEXT_VIEW(view), control.alignment == Alignment::Centre
                                                           ? GTK_JUSTIFY_CENTER
                                                           : GTK_JUSTIFY_LEFT);
  StyleWidget(
      view, TextCss(control, control.font.value_or(context.window_font), context.twips_per_pixel));
  SetBoxText(view, std::string(control.caption));
  gtk_container_add(GTK_CONTAINER(scrolled), view);
  SetSize(scrolled, control, context.twips_per_pixel);
  return {scrolled, view, view};
}

// The built-in JPEG at its natural size (its 96 dpi at the display's
// resolution), at the top-left of a sunken box that takes the focus.
ControlWidgets MakePictureBox(const ControlContext& context, const ControlDesign& control,
                              int /*row*/) {
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
  if (control.border == Border::FixedSingle) {
    StyleWidget(frame, SunkenBorderCss(context.twips_per_pixel), "frame > border");
  }
  GtkWidget* focus = gtk_event_box_new();
  gtk_widget_set_can_focus(focus, TRUE);
  GtkWidget* image = gtk_image_new();
  const std::span<const unsigned char> jpeg = platform::x11::Picture(control.picture);
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  if (gdk_pixbuf_loader_write(loader, jpeg.data(), jpeg.size(), nullptr) != FALSE &&
      gdk_pixbuf_loader_close(loader, nullptr) != FALSE) {
    GdkPixbuf* picture = gdk_pixbuf_loader_get_pixbuf(loader);
    const double scale = 15.0 / context.twips_per_pixel;
    const int width = static_cast<int>(gdk_pixbuf_get_width(picture) * scale + 0.5);
    const int height = static_cast<int>(gdk_pixbuf_get_height(picture) * scale + 0.5);
    GdkPixbuf* shown = gdk_pixbuf_scale_simple(picture, width, height, GDK_INTERP_BILINEAR);
    gtk_image_set_from_pixbuf(GTK_IMAGE(image), shown);
    g_object_unref(shown);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  gtk_widget_set_halign(image, GTK_ALIGN_START);
  gtk_widget_set_valign(image, GTK_ALIGN_START);
  // Nothing names a picture; a screen reader says its name in the design.
  atk_object_set_name(gtk_widget_get_accessible(image), std::string(control.name).c_str());
  gtk_container_add(GTK_CONTAINER(focus), image);
  gtk_container_add(GTK_CONTAINER(frame), focus);
  SetSize(frame, control, context.twips_per_pixel);
  return {frame, image, focus};
}

}  // namespace

ControlWidgets MakeControlWidgets(const ControlContext& context, const ControlDesign& control,
                                  int row) {
  switch (control.kind) {
    case ControlKind::Label:
      return MakeLabel(context, control, row);
    case ControlKind::PushButton:
      return MakePushButton(context, control, row);
    case ControlKind::TextBox:
      return MakeTextBox(context, control, row);
    case ControlKind::PictureBox:
      return MakePictureBox(context, control, row);
    case ControlKind::Timer:
      break;
  }
  return {};
}

void SetText(const ControlWidgets& widgets, std::string_view text) {
  const std::string copy(text);
  if (GTK_IS_LABEL(widgets.face)) {
    gtk_label_set_text(GTK_LABEL(widgets.face), copy.c_str());
  } else if (GTK_IS_TEXT_VIEW(widgets.face)) {
    SetBoxText(widgets.face, copy);
  }
}

void SetBackColour(const ControlWidgets& widgets, const ControlDesign& control, Colour colour,
                   double twips_per_pixel) {
  if (GTK_IS_LABEL(widgets.face)) {
    ControlDesign changed = control;
    changed.back_colour = colour;
    StyleWidget(widgets.face, LabelFaceCss(changed, twips_per_pixel));
  }
}

}  // namespace platform::gtk_about
