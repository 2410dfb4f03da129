// CLinkLabel: a static text that paints itself: a solid or gradient
// background, any font, raised or sunken or rotated text, blinking text or
// background, and optionally a link that opens a web address or a mail
// message when clicked, or only tells the parent (code kLinkLabelClicked).
#pragma once

#include "framework/Gdi.h"
#include "framework/Wnd.h"

#include <string>

constexpr UINT kLinkLabelClicked = 0x8200;

enum LinkType { kNoLink = 0, kWebLink = 1, kMailLink = 2 };
enum BlinkType { kNoBlink = 0, kTextBlink = 1, kBackBlink = 2 };

// Opens a web address or "mailto:" link; the shell's "open" by default.
// Tests put their own in place.
using LinkOpener = void (*)(const std::string& target);
LinkOpener SetLinkOpener(LinkOpener opener);

class CLinkLabel : public CWnd {
public:
    static constexpr UINT_PTR kBlinkTimer = 1;
    static constexpr UINT kBlinkPeriodMs = 500;
    static constexpr int kGradientBands = 100;

    CLinkLabel();
    ~CLinkLabel() override = default;

    bool Create(const std::string& text, DWORD style, const RECT& rect, HWND parent, UINT id);

    virtual CLinkLabel& SetBackColors(COLORREF colour, COLORREF gradientEnd, BOOL gradient);
    virtual CLinkLabel& SetTextColor(COLORREF colour);
    virtual CLinkLabel& SetLabelText(const std::string& text);
    virtual CLinkLabel& SetBold(BOOL bold);
    virtual CLinkLabel& SetFaceName(const std::string& face, BYTE charSet);
    virtual CLinkLabel& SetUnderline(BOOL underline);
    virtual CLinkLabel& SetItalic(BOOL italic);
    virtual CLinkLabel& SetPointSize(int points);
    virtual CLinkLabel& SetSunkenEdge(BOOL sunken);
    virtual CLinkLabel& SetBorder(BOOL border);
    virtual CLinkLabel& SetTransparent(BOOL transparent);
    virtual CLinkLabel& SetTextBlink(BOOL blink);
    virtual CLinkLabel& SetBackBlink(BOOL blink);
    virtual CLinkLabel& SetUrlLink(BOOL link, BOOL notifyOnly);
    virtual CLinkLabel& SetLinkCursor(HCURSOR cursor);
    virtual CLinkLabel& SetRaisedText(BOOL raised, BOOL outward);
    virtual CLinkLabel& SetAngle(int degrees, BOOL rotated);
    virtual CLinkLabel& SetHighlightColor(COLORREF colour);
    virtual CLinkLabel& SetLogFont(const LOGFONTA& font);
    virtual CLinkLabel& SetMailLink(BOOL link, BOOL notifyOnly);
    virtual CLinkLabel& SetUrl(const std::string& url);

    int LinkKind() const { return m_linkType; }
    int BlinkKind() const { return m_blinkType; }
    bool BlinkPhase() const { return m_blinkPhase; }
    bool BlinkRunning() const { return m_blinkTimer; }
    const LOGFONTA& LogFont() const { return m_logFont; }
    // The colour the text is drawn in now (a blinking text takes the
    // background's colour in its dark phase).
    COLORREF CurrentTextColor() const;
    // What a click opens, empty for nothing.
    std::string LinkTarget() const;

    // Fills `rect` from `from` to `to` in at most `bands` bands.
    static void DrawGradient(HDC dc, const RECT& rect, COLORREF from, COLORREF to, int bands);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PreSubclassWindow() override;

private:
    void Redraw();
    void RemakeFont();
    void StopBlink();
    void StartBlink(int type);
    void OnPaint();
    void Paint(HDC dc, const RECT& client);
    void OnClick();
    void ChangeStyle(int index, DWORD bits, BOOL set);

    COLORREF m_textColor;
    COLORREF m_highlightColor = RGB(255, 255, 255);
    Brush m_faceBrush;
    Brush m_backBrush;
    LOGFONTA m_logFont{};
    Font m_font;
    bool m_blinkPhase = false;
    bool m_blinkTimer = false;
    int m_linkType = kNoLink;
    bool m_transparent = false;
    bool m_raised = false;
    bool m_notifyOnly = false;
    bool m_rotated = false;
    int m_blinkType = kNoBlink;
    HCURSOR m_linkCursor = nullptr;
    bool m_raisedOutward = false;
    bool m_gradient = false;
    COLORREF m_gradientEnd = 0;
    COLORREF m_backColor = 0;
    std::string m_url;
};
