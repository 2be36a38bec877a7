#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

// The vocabulary the windows are written in: colours, fonts, key codes, shift states, scroll codes
// and the small enumerations of window and control settings.
namespace veloria::widgets {

using WORD = std::uint16_t;

// A misuse of a control that the window system itself refuses ("Cannot focus a disabled or
// invisible window"). Reaches the user through the error box like any other failure.
class WidgetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A fixed RGB colour.
struct TColor {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(TColor, TColor) = default;
};

constexpr TColor RGB(int r, int g, int b) {
    return TColor{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)};
}

inline constexpr TColor clBlack = RGB(0, 0, 0);
inline constexpr TColor clWhite = RGB(255, 255, 255);
inline constexpr TColor clRed = RGB(255, 0, 0);
inline constexpr TColor clBlue = RGB(0, 0, 255);
inline constexpr TColor clNavy = RGB(0, 0, 128);
inline constexpr TColor clSilver = RGB(192, 192, 192);
inline constexpr TColor clGray = RGB(128, 128, 128);
// The classic desktop scheme the windows were laid out against.
inline constexpr TColor clBtnFace = RGB(212, 208, 200);
inline constexpr TColor clBtnShadow = RGB(128, 128, 128);
inline constexpr TColor clBtnHighlight = RGB(255, 255, 255);
inline constexpr TColor clScrollBar = RGB(212, 208, 200);
inline constexpr TColor clWindow = RGB(255, 255, 255);
inline constexpr TColor clWindowText = RGB(0, 0, 0);
inline constexpr TColor clHighlight = RGB(10, 36, 106);
inline constexpr TColor clHighlightText = RGB(255, 255, 255);
inline constexpr TColor clGrayText = RGB(128, 128, 128);
inline constexpr TColor clInfoBk = RGB(255, 255, 225);

// A small set over an enumeration whose values are bit positions.
template <class E>
class TSet {
  public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items)
            bits_ |= Bit(e);
    }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr TSet& Include(E e) {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) {
        bits_ &= ~Bit(e);
        return *this;
    }
    constexpr bool Empty() const { return bits_ == 0; }
    friend constexpr bool operator==(TSet, TSet) = default;

  private:
    static constexpr std::uint32_t Bit(E e) { return std::uint32_t(1) << unsigned(e); }
    std::uint32_t bits_ = 0;
};

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
using enum TFontStyle;

// A font by name and character height in pixels ("Arial" of 15 pixels).
struct TFont {
    TFont(std::string name = "MS Sans Serif", int height = 11, TFontStyles style = {},
          TColor color = clWindowText)
        : Name(std::move(name)), Height(height), Style(style), Color(color) {}
    std::string Name;
    int Height;
    TFontStyles Style;
    TColor Color;
    friend bool operator==(const TFont&, const TFont&) = default;
};

enum class TShiftFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftFlag>;
using enum TShiftFlag;

// Virtual key codes, as the key handlers receive them. Letters and digits are their upper-case
// ASCII codes ('A', '0').
inline constexpr WORD VK_BACK = 8;
inline constexpr WORD VK_TAB = 9;
inline constexpr WORD VK_RETURN = 13;
inline constexpr WORD VK_SHIFT = 16;
inline constexpr WORD VK_CONTROL = 17;
inline constexpr WORD VK_MENU = 18;
inline constexpr WORD VK_PAUSE = 19;
inline constexpr WORD VK_CAPITAL = 20;
inline constexpr WORD VK_ESCAPE = 27;
inline constexpr WORD VK_SPACE = 32;
inline constexpr WORD VK_PRIOR = 33;
inline constexpr WORD VK_NEXT = 34;
inline constexpr WORD VK_END = 35;
inline constexpr WORD VK_HOME = 36;
inline constexpr WORD VK_LEFT = 37;
inline constexpr WORD VK_UP = 38;
inline constexpr WORD VK_RIGHT = 39;
inline constexpr WORD VK_DOWN = 40;
inline constexpr WORD VK_INSERT = 45;
inline constexpr WORD VK_DELETE = 46;
inline constexpr WORD VK_F1 = 112;

enum class TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};
using enum TScrollCode;

enum class TScrollBarKind { sbHorizontal, sbVertical };
using enum TScrollBarKind;

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
using enum TScrollStyle;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;

enum class TEditCharCase { ecNormal, ecUpperCase };
using enum TEditCharCase;

// Forms take all five; controls only bsNone and bsSingle.
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
using enum TFormBorderStyle;
using TBorderStyle = TFormBorderStyle;

enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize };
using TBorderIcons = TSet<TBorderIcon>;
using enum TBorderIcon;

enum class TFormStyle { fsNormal, fsStayOnTop };
using enum TFormStyle;

enum class TPosition { poDesigned, poScreenCenter, poDesktopCenter };
using enum TPosition;

enum class TCursor { crDefault, crHandPoint, crHourGlass, crIBeam };
using enum TCursor;

enum class TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
using enum TAnchorKind;

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine };
using enum TBevelShape;

enum class TBevelStyle { bsLowered, bsRaised };
using enum TBevelStyle;

// Results of a modal showing.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// Message box buttons and answers.
inline constexpr int MB_OK = 0;
inline constexpr int IDOK = 1;

}  // namespace veloria::widgets
