#include "qt_controls.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>

#include "platform/twips.h"

namespace platform::qt {

namespace {

QString ToQString(std::string_view text) {
  // The designs keep Windows line ends; Qt wants plain newlines.
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
      .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QRect DesignRect(const ControlDesign& design, double twips_per_pixel) {
  return QRect(
      TwipsToPixels(design.left, twips_per_pixel), TwipsToPixels(design.top, twips_per_pixel),
      TwipsToPixels(design.width, twips_per_pixel), TwipsToPixels(design.height, twips_per_pixel));
}

QWidget* CreateButton(QWidget* parent, const ControlDesign& design, ControlCallbacks& callbacks) {
  auto* button = new QPushButton(ToQString(design.caption), parent);
  // Neither default nor cancel button: Enter and Esc elsewhere don't press it.
  button->setAutoDefault(false);
  button->setDefault(false);
  if (callbacks.click) {
    QObject::connect(button, &QPushButton::clicked, button, std::move(callbacks.click));
  }
  return button;
}

QWidget* CreateTextBox(QWidget* parent, const ControlDesign& design) {
  auto* text_box = new QTextEdit(parent);
  text_box->setAcceptRichText(false);
  text_box->setPlainText(ToQString(design.caption));
  if (design.locked) {
    text_box->setReadOnly(true);
    text_box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  }
  text_box->setLineWrapMode(design.multi_line ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  text_box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text_box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text_box->setTabChangesFocus(true);
  text_box->setFrameStyle(design.border == Border::FixedSingle
                              ? QFrame::StyledPanel | QFrame::Sunken
                              : QFrame::NoFrame);
  if (design.alignment == Alignment::Centre) {
    QTextOption option = text_box->document()->defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    text_box->document()->setDefaultTextOption(option);
  }
  return text_box;
}

QWidget* CreatePictureBox(QWidget* parent, const ControlDesign& design) {
  auto* picture_box = new QLabel(parent);
  const QPixmap picture(QStringLiteral(":/") + ToQString(design.picture), "JPG");
  picture_box->setPixmap(picture);
  picture_box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (design.border == Border::FixedSingle) {
    picture_box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture_box->setLineWidth(2);
  }
  return picture_box;
}

}  // namespace

QColor ToQColor(Colour colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QFont ToQFont(const FontDesign& font) {
  // Listed rather than looked up: the font database is only read once some
  // text is drawn, and the main window draws none.
  QFont result;
  result.setFamilies(
      {ToQString(font.face), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  result.setStyleHint(QFont::SansSerif);
  result.setPointSizeF(font.points);
  result.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
  result.setItalic(font.italic);
  result.setUnderline(font.underline);
  result.setStrikeOut(font.strikeout);
  return result;
}

LabelWidget::LabelWidget(QWidget* parent, const ControlDesign& design)
    : QWidget(parent),
      back_colour_(design.back_colour.value_or(0)),
      fore_colour_(design.fore_colour ? ToQColor(*design.fore_colour) : QColor(Qt::black)),
      caption_(ToQString(design.caption)),
      border_(design.border == Border::FixedSingle),
      alignment_(design.alignment == Alignment::Centre ? Qt::AlignCenter
                                                       : Qt::AlignLeft | Qt::AlignVCenter) {
  // Every pixel is painted here, so Qt need not clear the area first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

void LabelWidget::SetBackColour(Colour colour) {
  if (colour == back_colour_) {
    return;
  }
  back_colour_ = colour;
  update();
}

void LabelWidget::SetCaption(const QString& caption) {
  if (caption == caption_) {
    return;
  }
  caption_ = caption;
  update();
}

void LabelWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(back_colour_));
  if (border_) {
    painter.setPen(QColor(Qt::black));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  if (!caption_.isEmpty()) {
    painter.setPen(fore_colour_);
    painter.setFont(font());
    painter.drawText(rect().adjusted(1, 1, -1, -1), static_cast<int>(alignment_), caption_);
  }
}

void LabelWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (OnDoubleClick) {
    // Taken here, so it does not travel on to the window beneath.
    event->accept();
    OnDoubleClick();
  } else {
    event->ignore();
  }
}

QWidget* CreateControl(QWidget* parent, const ControlDesign& design, double twips_per_pixel,
                       ControlCallbacks callbacks) {
  QWidget* control = nullptr;
  switch (design.kind) {
    case ControlKind::Timer:
      return nullptr;
    case ControlKind::Label: {
      auto* label = new LabelWidget(parent, design);
      if (design.handles_dbl_click) {
        label->OnDoubleClick = std::move(callbacks.double_click);
      }
      control = label;
      break;
    }
    case ControlKind::PushButton:
      control = CreateButton(parent, design, callbacks);
      break;
    case ControlKind::TextBox:
      control = CreateTextBox(parent, design);
      break;
    case ControlKind::PictureBox:
      control = CreatePictureBox(parent, design);
      break;
  }
  if (design.font) {
    control->setFont(ToQFont(*design.font));  // others take the window's font
  }
  QRect area = DesignRect(design, twips_per_pixel);
  if (design.kind == ControlKind::PictureBox && design.auto_size) {
    const auto* picture_box = static_cast<QLabel*>(control);
    const int border = picture_box->frameWidth();
    area.setSize(picture_box->pixmap().size() + QSize(2 * border, 2 * border));
  }
  control->setGeometry(area);
  if (design.kind != ControlKind::Label) {
    control->setFocusPolicy(design.takes_focus ? Qt::StrongFocus : Qt::NoFocus);
  }
  return control;
}

void SetControlColour(QWidget* control, const ControlDesign& design, Colour colour) {
  if (design.kind == ControlKind::Label) {
    static_cast<LabelWidget*>(control)->SetBackColour(colour);
    return;
  }
  QPalette palette = control->palette();
  palette.setColor(QPalette::Window, ToQColor(colour));
  palette.setColor(QPalette::Base, ToQColor(colour));
  palette.setColor(QPalette::Button, ToQColor(colour));
  control->setPalette(palette);
}

void SetControlCaption(QWidget* control, const ControlDesign& design, std::string_view text) {
  const QString caption = ToQString(text);
  switch (design.kind) {
    case ControlKind::Label:
      static_cast<LabelWidget*>(control)->SetCaption(caption);
      break;
    case ControlKind::PushButton:
      static_cast<QPushButton*>(control)->setText(caption);
      break;
    case ControlKind::TextBox:
      static_cast<QTextEdit*>(control)->setPlainText(caption);
      break;
    case ControlKind::PictureBox:
    case ControlKind::Timer:
      break;
  }
}

}  // namespace platform::qt
