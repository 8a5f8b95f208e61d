// Pictures of a session and their index page.

#include "picture_book.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "own_files.h"
#include "transcript.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace qxsim {
namespace {

namespace fs = std::filesystem;

Vec3 vec(const AcGePoint3d& p) {
    return {p.x, p.y, p.z};
}
Vec3 vec(const AcGeVector3d& v) {
    return {v.x, v.y, v.z};
}

// Marks every picture loaded or failed once the page has settled, so a
// headless browser can check the page from its DOM.
const char* const kLoadCheck = R"(<script>
function settle(img, state) { img.dataset.state = state; count(); }
function count() {
  const imgs = [...document.images];
  const loaded = imgs.filter(i => i.dataset.state === 'loaded').length;
  const failed = imgs.filter(i => i.dataset.state === 'failed').length;
  document.body.dataset.pictures = loaded + ' loaded, ' + failed + ' failed, ' + imgs.length + ' in all';
}
for (const img of document.images) {
  if (img.complete) settle(img, img.naturalWidth > 0 ? 'loaded' : 'failed');
  else {
    img.addEventListener('load', () => settle(img, 'loaded'));
    img.addEventListener('error', () => settle(img, 'failed'));
  }
}
count();
</script>
)";

// How the files qxsim writes here begin: an earlier one is replaced, anything
// else of that name left alone.
constexpr std::string_view kSvgHead = "<svg xmlns=";
constexpr std::string_view kIndexHead =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>qxsim: ";

}  // namespace

Scene currentScene() {
    Scene scene;
    const bool paper = arxsim::tilemode() == 0 && arxsim::cvport() == 1;
    if (paper) {
        const arxdrawing::PaperView view = arxdrawing::paperView();
        scene.paper = true;
        scene.camera.target = {view.centerX, view.centerY, 0.0};
        scene.camera.position = {view.centerX, view.centerY, 1.0};
        scene.camera.up = {0.0, 1.0, 0.0};
        scene.camera.height = view.viewHeight;
        scene.camera.width = view.viewHeight * view.width / view.height;
        scene.camera.perspective = false;
    } else {
        const int vp = arxsim::cvport();
        const arxdrawing::ViewParams view =
            arxdrawing::gsView(vp).value_or(arxdrawing::storedView(vp));
        scene.camera.position = vec(view.position);
        scene.camera.target = vec(view.target);
        scene.camera.up = vec(view.up);
        scene.camera.width = view.width;
        scene.camera.height = view.height;
        scene.camera.perspective = view.perspective;
    }
    const std::vector<int> selected = arxdrawing::pickfirst();
    for (int i = 0; i < arxdrawing::entityCount(); ++i) {
        const arxdrawing::EntityInfo info = arxdrawing::entity(i);
        SceneEntity entity;
        entity.kind = info.kind == arxdrawing::EntityKind::Line ? SceneEntity::Kind::Line
                                                                : SceneEntity::Kind::Circle;
        entity.start = vec(info.start);
        entity.end = vec(info.end);
        entity.normal = vec(info.normal);
        entity.radius = info.radius;
        entity.selected = std::find(selected.begin(), selected.end(), i) != selected.end();
        scene.entities.push_back(entity);
    }
    return scene;
}

WorldState currentWorld() {
    WorldState world;
    const int vp = arxsim::cvport() == 1 ? arxdrawing::kModelViewport : arxsim::cvport();
    const arxdrawing::ViewParams view = arxdrawing::gsView(vp).value_or(arxdrawing::storedView(vp));
    world.camera = {vec(view.position), vec(view.target), vec(view.up),
                    view.width,         view.height,      view.perspective};
    const arxdrawing::PaperView paper = arxdrawing::paperView();
    world.paper = {paper.centerX, paper.centerY, paper.viewHeight};
    // An entity's centre as the module takes it: the middle of its extents.
    for (int i = 0; i < arxdrawing::entityCount(); ++i) {
        const arxdrawing::EntityInfo info = arxdrawing::entity(i);
        world.entityCentres.push_back(info.kind == arxdrawing::EntityKind::Line
                                          ? 0.5 * (vec(info.start) + vec(info.end))
                                          : vec(info.start));
    }
    const std::vector<int> selected = arxdrawing::pickfirst();
    Vec3 sum;
    for (int i : selected) {
        if (i >= 0 && i < static_cast<int>(world.entityCentres.size())) {
            sum = sum + world.entityCentres[i];
        }
    }
    if (!selected.empty()) {
        world.selectionCentre = (1.0 / static_cast<double>(selected.size())) * sum;
    }
    return world;
}

PictureBook::PictureBook(std::string dir) : mDir(std::move(dir)) {}

std::vector<std::string> PictureBook::motions(bool settle) {
    for (const std::string& line : transcript::takeCaptured()) {
        mMotions.read(line);
    }
    std::vector<std::string> notes = settle ? mMotions.flush(currentWorld()) : mMotions.take();
    for (std::string& note : notes) {
        note = "  -> " + note;
    }
    return notes;
}

bool PictureBook::open(std::string& error) {
    std::error_code ec;
    fs::create_directories(mDir, ec);
    if (ec || !fs::is_directory(mDir)) {
        error = "cannot make the picture folder '" + mDir + "'" +
                (ec ? ": " + ec.message() : std::string());
        return false;
    }
    // The motions are read from the transcript as it is written.
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();
    mMotions.reset(currentWorld());
    return true;
}

void PictureBook::watchWindow(int id) {
    if (const auto bar = win32sim::scrollBarState(id, SB_VERT)) {
        mListPositions[id] = bar->pos;
    }
}

void PictureBook::snapshot(const std::string& title, const std::vector<std::string>& steps) {
    char name[32];
    std::snprintf(name, sizeof name, "view-%03zu.svg", mPages.size() + 1);
    // The caption goes below the picture on the page only: drawn into the
    // picture as well it showed twice, and long steps were cut at its edge.
    Scene scene = currentScene();
    std::vector<std::string> caption = steps;
    for (auto& [id, position] : mListPositions) {
        const auto window = win32sim::windowState(id);
        const auto bar = win32sim::scrollBarState(id, SB_VERT);
        if (!window || !window->visible || !bar) {
            continue;
        }
        const SceneList list{id,
                             win32sim::wideToUtf8(window->className),
                             bar->min,
                             bar->max,
                             static_cast<int>(bar->page),
                             bar->pos,
                             bar->pos - position};
        if (list.movedBy != 0) {
            caption.push_back("window " + std::to_string(id) + " scrolled from line " +
                              std::to_string(position) + " to " + std::to_string(bar->pos));
        }
        position = bar->pos;
        scene.lists.push_back(list);
    }
    OwnFileStream out((fs::path(mDir) / name).string(), kSvgHead);
    out << renderSvg(scene);
    mFailed |= !out.close();
    mPages.push_back({name, title, caption});
}

bool PictureBook::finish(const std::string& scenarioName) {
    OwnFileStream out((fs::path(mDir) / "index.html").string(), kIndexHead);
    out << kIndexHead << escapeXml(scenarioName) << "</title>\n"
        << "<style>body{font-family:sans-serif;margin:1em;background:#eee}"
        << "figure{display:inline-block;margin:.5em;background:#fff;padding:.5em;"
        << "vertical-align:top}figcaption{font-family:monospace;font-size:12px;"
        << "max-width:" << kPictureWidth + kPanelColumnWidth
        << "px;white-space:pre-wrap}</style>\n</head>\n<body>\n"
        << "<h1>qxsim: " << escapeXml(scenarioName) << "</h1>\n<p>" << mPages.size()
        << " pictures of the view, in the order of the session.</p>\n";
    for (std::size_t i = 0; i < mPages.size(); ++i) {
        const Page& page = mPages[i];
        out << "<figure id=\"p" << i + 1 << "\"><img src=\"" << page.file << "\" alt=\""
            << escapeXml(page.title) << "\" width=\"" << kPictureWidth + kPanelColumnWidth
            << "\">\n<figcaption>" << i + 1 << ". " << escapeXml(page.title);
        for (const std::string& step : page.steps) {
            out << "\n" << escapeXml(step);
        }
        out << "</figcaption></figure>\n";
    }
    out << kLoadCheck << "</body>\n</html>\n";
    return out.close() && !mFailed;
}

}  // namespace qxsim
