#include "rollout_snapshot.h"

#include <algorithm>
#include <sstream>

#include "atomic_write.h"
#include "param_map.h"
#include "rollout.h"
#include "utf8.h"
#include "window.h"

namespace {

constexpr int kScale = 2;          // px per dialog unit
constexpr int kTitleBar = 10;      // dialog units
constexpr int kGap = 3;            // dialog units between rollouts
constexpr int kFontPx = 12;        // an 8 point font at this scale
constexpr int kLinePx = 14;
constexpr int kDefaultWidth = 108;  // dialog units, when a rollout has no template

std::string Xml(const std::wstring& w) {
  std::string out;
  for (char c : WideToUtf8(w)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

// Text lines with their first baseline at y; anchor start, middle or end.
void Text(std::ostream& o, double x, double y, const std::wstring& text, const char* anchor, const char* ink) {
  std::wstring line;
  std::wistringstream lines(text);
  int n = 0;
  while (std::getline(lines, line)) {
    o << "<text x=\"" << x << "\" y=\"" << y + n * kLinePx << "\" text-anchor=\"" << anchor << "\" fill=\"" << ink
      << "\">" << Xml(line) << "</text>";
    ++n;
  }
}

void Control(std::ostream& o, HWND c, int ox, int oy) {
  const std::wstring text = GetWindowTextString(c);  // bound controls come up to date
  const double X = ox + c->x * kScale, Y = oy + c->y * kScale, W = c->cx * kScale, H = c->cy * kScale;
  const bool off = !c->enabled;
  const char* ink = off ? "#a0a0a0" : "#000000";
  const char* line = off ? "#c0c0c0" : "#707070";
  const bool checkable = c->kind == ControlKind::CheckBox || c->kind == ControlKind::RadioButton ||
                         (c->kind == ControlKind::CustButton && c->checkButton);
  o << "<g class=\"ctl " << ControlKindName(c->kind) << (checkable && c->checked ? " checked" : "")
    << (off ? " disabled" : "") << "\" data-id=\"" << c->id << "\">";
  const double midY = Y + H / 2 + kFontPx / 3.0;
  switch (c->kind) {
    case ControlKind::GroupBox: {
      const double top = Y + 4 * kScale;
      o << "<rect x=\"" << X << "\" y=\"" << top << "\" width=\"" << W << "\" height=\"" << std::max(0.0, H - 4 * kScale)
        << "\" fill=\"none\" stroke=\"" << line << "\"/>";
      if (!text.empty()) {
        o << "<rect x=\"" << X + 4 << "\" y=\"" << Y << "\" width=\"" << text.size() * 6 + 6 << "\" height=\""
          << 8 * kScale << "\" fill=\"#f0f0f0\"/>";
        Text(o, X + 7, Y + kFontPx, text, "start", ink);
      }
      break;
    }
    case ControlKind::PushButton:
    case ControlKind::CustButton:
      o << "<rect x=\"" << X << "\" y=\"" << Y << "\" width=\"" << W << "\" height=\"" << H << "\" rx=\"2\" fill=\""
        << (c->checked && c->checkButton ? "#8fb8e0" : "#e1e1e1") << "\" stroke=\"" << line << "\"/>";
      Text(o, X + W / 2, midY, text, "middle", ink);
      break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
      const double box = 10, by = Y + (H - box) / 2;
      if (c->kind == ControlKind::CheckBox) {
        o << "<rect x=\"" << X << "\" y=\"" << by << "\" width=\"" << box << "\" height=\"" << box
          << "\" fill=\"#ffffff\" stroke=\"" << line << "\"/>";
        if (c->checked)
          o << "<polyline points=\"" << X + 2 << "," << by + 5 << " " << X + 4 << "," << by + 8 << " " << X + 8 << ","
            << by + 2 << "\" fill=\"none\" stroke=\"" << ink << "\" stroke-width=\"1.5\"/>";
      } else {
        o << "<circle cx=\"" << X + 5 << "\" cy=\"" << by + 5 << "\" r=\"5\" fill=\"#ffffff\" stroke=\"" << line
          << "\"/>";
        if (c->checked) o << "<circle cx=\"" << X + 5 << "\" cy=\"" << by + 5 << "\" r=\"2.5\" fill=\"" << ink << "\"/>";
      }
      Text(o, X + box + 4, midY, text, "start", ink);
      break;
    }
    case ControlKind::TextLeft: Text(o, X, Y + kFontPx, text, "start", ink); break;
    case ControlKind::TextRight: Text(o, X + W, Y + kFontPx, text, "end", ink); break;
    case ControlKind::TextCenter: Text(o, X + W / 2, Y + kFontPx, text, "middle", ink); break;
    case ControlKind::Edit:
    case ControlKind::CustEdit:
      o << "<rect x=\"" << X << "\" y=\"" << Y << "\" width=\"" << W << "\" height=\"" << H << "\" fill=\""
        << (off ? "#f4f4f4" : "#ffffff") << "\" stroke=\"" << line << "\"/>";
      Text(o, X + 3, midY, text, "start", ink);
      break;
    case ControlKind::Spinner:
      o << "<rect x=\"" << X << "\" y=\"" << Y << "\" width=\"" << W << "\" height=\"" << H
        << "\" fill=\"#e1e1e1\" stroke=\"" << line << "\"/>"
        << "<path d=\"M" << X + W / 2 << "," << Y + 1.5 << " L" << X + W - 2 << "," << Y + H / 2 - 1 << " L" << X + 2
        << "," << Y + H / 2 - 1 << " Z M" << X + 2 << "," << Y + H / 2 + 1 << " L" << X + W - 2 << "," << Y + H / 2 + 1
        << " L" << X + W / 2 << "," << Y + H - 1.5 << " Z\" fill=\"" << ink << "\"/>";
      break;
    case ControlKind::Window:
    case ControlKind::Other:
      o << "<rect x=\"" << X << "\" y=\"" << Y << "\" width=\"" << W << "\" height=\"" << H
        << "\" fill=\"none\" stroke=\"" << line << "\" stroke-dasharray=\"3,2\"/>";
      Text(o, X + 2, Y + kFontPx, text.empty() ? c->className : text, "start", ink);
      break;
  }
  o << "</g>\n";
}

int WidthOf(HWND r) { return r->cx > 0 ? r->cx : kDefaultWidth; }

// Draws the rollout with its top at oy px; returns its height in px.
int Rollout(std::ostream& o, HWND r, int oy) {
  IParamMap2* map = r->map;
  const bool open = map->IsRollupOpen();
  const int w = WidthOf(r) * kScale, bar = kTitleBar * kScale;
  o << "<g class=\"rollout" << (open ? "" : " collapsed") << (r->enabled ? "" : " disabled") << "\" data-title=\""
    << Xml(map->GetTitle()) << "\">\n";
  o << "<rect x=\"0\" y=\"" << oy << "\" width=\"" << w << "\" height=\"" << bar
    << "\" fill=\"#c8c8c8\" stroke=\"#909090\"/>";
  Text(o, 6, oy + bar / 2.0 + kFontPx / 3.0, open ? L"-" : L"+", "start", "#000000");
  Text(o, w / 2.0, oy + bar / 2.0 + kFontPx / 3.0, map->GetTitle(), "middle", "#000000");
  o << "\n";
  int h = bar;
  if (open) {
    const int body = r->cy * kScale;
    o << "<rect x=\"0\" y=\"" << oy + bar << "\" width=\"" << w << "\" height=\"" << body
      << "\" fill=\"#f0f0f0\" stroke=\"#909090\"/>\n";
    for (HWND c : r->children) Control(o, c, 0, oy + bar);
    h += body;
  }
  o << "</g>\n";
  return h;
}

std::string Svg(const std::vector<HWND>& rollouts) {
  int width = rollouts.empty() ? kDefaultWidth : 0;
  for (HWND r : rollouts) width = std::max(width, WidthOf(r));
  std::ostringstream body;
  int y = 0;
  for (size_t i = 0; i < rollouts.size(); ++i) {
    if (i) y += kGap * kScale;
    y += Rollout(body, rollouts[i], y);
  }
  std::ostringstream o;
  o << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width * kScale << "\" height=\"" << y
    << "\" viewBox=\"0 0 " << width * kScale << " " << y << "\" font-family=\"MS Sans Serif, Tahoma, sans-serif\""
    << " font-size=\"" << kFontPx << "\">\n"
    << body.str() << "</svg>\n";
  return o.str();
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool Write(const std::string& svg, const std::string& path, std::string& error) {
  if (EndsWith(path, ".html") || EndsWith(path, ".htm")) {
    const std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Rollouts</title></head>\n"
                             "<body style=\"background:#dcdcdc\">\n" + svg + "</body></html>\n";
    return WriteFileAtomic(path, page, error);
  }
  return WriteFileAtomic(path, svg, error);
}

}  // namespace

std::string RenderRolloutSvg(HWND rollout) {
  return GetRolloutMap(rollout) ? Svg({rollout}) : std::string();
}

std::string RenderCommandPanelSvg() {
  std::vector<HWND> rollouts;
  for (const RolloutInfo& r : GetOpenRollouts()) rollouts.push_back(r.hWnd);
  return Svg(rollouts);
}

bool WriteRolloutSnapshot(HWND rollout, const std::string& path, std::string& error) {
  if (!GetRolloutMap(rollout)) {
    error = "not an open rollout";
    return false;
  }
  return Write(RenderRolloutSvg(rollout), path, error);
}

bool WriteCommandPanelSnapshot(const std::string& path, std::string& error) {
  return Write(RenderCommandPanelSvg(), path, error);
}
