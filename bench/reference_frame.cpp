// The yardstick of scripts/bench: a plain wxWidgets frame of the panel's size that repaints
// its whole client area from one bitmap every 100 ms, the least a window showing live meters
// can cost. The bitmap is drawn once, with a pattern, so a screenshot tells it from an
// unpainted window.

#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/timer.h>
#include <wx/wx.h>

namespace {

constexpr int kWidth = 764;
constexpr int kHeight = 392;
constexpr int kTickMilliseconds = 100;

// Grey bands with a diagonal ripple: no two neighbouring rows or columns alike.
wxBitmap PatternBitmap() {
    wxImage image(kWidth, kHeight);
    unsigned char* rgb = image.GetData();
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char level = static_cast<unsigned char>(64 + ((x + 2 * y) & 0x7F));
            *rgb++ = level;
            *rgb++ = level;
            *rgb++ = static_cast<unsigned char>(level + (y & 0x1F));
        }
    }
    return wxBitmap(image);
}

class ReferenceFrame : public wxFrame {
  public:
    ReferenceFrame() : wxFrame(nullptr, wxID_ANY, "Reference Frame"), picture(PatternBitmap()) {
        // Every pixel comes from the bitmap, so no background is erased first.
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        SetClientSize(kWidth, kHeight);
        Bind(wxEVT_PAINT, &ReferenceFrame::OnPaint, this);
        Bind(wxEVT_TIMER, &ReferenceFrame::OnTick, this);
        timer.Start(kTickMilliseconds);
    }

  private:
    void OnTick(wxTimerEvent&) { Refresh(false); }

    void OnPaint(wxPaintEvent&) {
        wxPaintDC dc(this);
        dc.DrawBitmap(picture, 0, 0);
    }

    wxBitmap picture;
    wxTimer timer{this};
};

class ReferenceApp : public wxApp {
  public:
    bool OnInit() override {
        (new ReferenceFrame())->Show();
        return true;
    }
};

}  // namespace

wxIMPLEMENT_APP(ReferenceApp);
