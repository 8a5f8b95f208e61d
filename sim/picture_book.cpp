// Pictures of a session and their index page.

#include "picture_book.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

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
constexpr std::string_view kCsvHead = "motion,";
constexpr std::string_view kIndexHead =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>qxsim: ";

}  // namespace

Scene currentScene() {
    Scene scene;
    if (inPaperSpace()) {
        const arxdrawing::PaperView view = arxdrawing::paperView();
        scene.paper = true;
        scene.camera.target = {view.centerX, view.centerY, 0.0};
        scene.camera.position = {view.centerX, view.centerY, 1.0};
        scene.camera.up = {0.0, 1.0, 0.0};
        scene.camera.height = view.viewHeight;
        // The viewport's shape first: its sides may each be too large or too
        // small for their product to be a number.
        scene.camera.width = view.viewHeight * (view.width / view.height);
        scene.camera.perspective = false;
    } else {
        scene.camera = viewportCamera(arxsim::cvport());
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

PictureBook::PictureBook(std::string dir, std::uint64_t maxPictures)
    : mDir(std::move(dir)),
      mMaxPictures(maxPictures),
      mPasses({[this](int motion) { motionBegins(motion); },
               [this](const PassRow& row) { motionRow(row); },
               [this](int motion, const std::vector<std::string>& notes) {
                   motionEnds(motion, notes);
               }},
              false) {}

PictureBook::~PictureBook() {
    if (mCsv != nullptr) {
        std::fclose(mCsv);
    }
}

bool PictureBook::open(std::string& error) {
    std::error_code ec;
    fs::create_directories(mDir, ec);
    if (ec || !fs::is_directory(mDir)) {
        error = "cannot make the picture folder '" + mDir + "'" +
                (ec ? ": " + ec.message() : std::string());
        return false;
    }
    mPasses.start();
    return true;
}

void PictureBook::compareWith(std::string dir, std::string otherName, std::string name) {
    mCompareDir = std::move(dir);
    mCompareName = std::move(otherName);
    mName = std::move(name);
}

std::string PictureBook::chartName(int motion, const char* extension) const {
    char name[32];
    std::snprintf(name, sizeof name, "motion-%03d.%s", motion, extension);
    return name;
}

void PictureBook::failed(const std::string& error) {
    if (!mFailed) {
        std::fprintf(stderr, "qxsim: %s\n", error.c_str());
    }
    mFailed = true;
}

void PictureBook::motionBegins(int motion) {
    std::string error;
    mCsvPath = (fs::path(mDir) / chartName(motion, "csv")).string();
    mCsv = openOwnFile(mCsvPath, kCsvHead, "a motion's rows", false, error);
    if (mCsv == nullptr) {
        failed(error);
    } else {
        // A long motion has many rows: fewer, larger writes.
        std::setvbuf(mCsv, nullptr, _IOFBF, 1 << 16);
        std::fputs(csvHeader().c_str(), mCsv);
    }
}

void PictureBook::motionRow(const PassRow& row) {
    if (mCsv != nullptr) {
        std::fputs(csvLine(row).c_str(), mCsv);
    }
}

void PictureBook::closeCsv() {
    if (mCsv != nullptr) {
        const bool written = std::ferror(mCsv) == 0;
        if (std::fclose(mCsv) != 0 || !written) {
            failed("cannot write '" + mCsvPath + "'");
        }
        mCsv = nullptr;
    }
}

void PictureBook::motionEnds(int motion, const std::vector<std::string>& notes) {
    closeCsv();
    // The same motion of the run compared with, from its CSV file.
    std::optional<MotionChart> other;
    std::ifstream in;
    if (!mCompareDir.empty()) {
        in.open(fs::path(mCompareDir) / chartName(motion, "csv"), std::ios::binary);
    }
    std::string line;
    if (std::getline(in, line)) {
        PassRow row;
        while (std::getline(in, line)) {
            if (parseCsvLine(line, row)) {
                if (!other) {
                    other.emplace();
                    other->clear(row.motion, row.t - row.since);
                }
                other->add(row);
            }
        }
    }
    const std::string chart = (fs::path(mDir) / chartName(motion, "svg")).string();
    OwnFileStream out(chart, kSvgHead);
    out << mPasses.course().chart().svg(mName, other ? &*other : nullptr, mCompareName);
    if (!out.close()) {
        failed("cannot write the chart '" + chart + "'");
    }
    for (const std::string& note : notes) {
        mNotes.push_back("  -> " + note);
    }
    mChartsDue.push_back(motion);
}

std::vector<std::string> PictureBook::motions(bool end) {
    if (end) {
        mPasses.finish();
    } else {
        mPasses.settle();
    }
    return std::exchange(mNotes, {});
}

void PictureBook::watchWindow(int id) {
    if (const auto bar = win32sim::scrollBarState(id, SB_VERT)) {
        mListPositions[id] = bar->pos;
    }
}

void PictureBook::snapshot(const std::string& title, const std::vector<std::string>& steps) {
    if (mPages.size() >= mMaxPictures) {
        if (mStopped.empty()) {
            mStopped = "the pictures stopped at " + std::to_string(mPages.size()) +
                       " (--max-pictures) at t = " + std::to_string(win32sim::nowMs()) +
                       " ms; nothing later is drawn";
        }
        return;
    }
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
    mPages.push_back({name, title, caption, std::exchange(mChartsDue, {})});
    if (mPages.size() >= mMaxPictures) {
        // The last picture: no chart goes with a later one. A motion under
        // way keeps the rows it has.
        mPasses.stop();
        closeCsv();
    }
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
        << " pictures of the view, in the order of the session; below a picture after a "
           "motion, its chart and its passes as CSV"
        << (mCompareName.empty() ? std::string()
                                 : ", over the same motion of " + escapeXml(mCompareName))
        << ".</p>\n";
    if (!mStopped.empty()) {
        out << "<p class=\"stopped\"><b>" << escapeXml(mStopped) << ".</b></p>\n";
    }
    for (std::size_t i = 0; i < mPages.size(); ++i) {
        const Page& page = mPages[i];
        out << "<figure id=\"p" << i + 1 << "\"><img src=\"" << page.file << "\" alt=\""
            << escapeXml(page.title) << "\" width=\"" << kPictureWidth + kPanelColumnWidth
            << "\">\n";
        for (int motion : page.charts) {
            out << "<br><img class=\"chart\" src=\"" << chartName(motion, "svg")
                << "\" alt=\"chart of motion " << motion << "\" width=\"" << kChartWidth
                << "\">\n<br><a href=\"" << chartName(motion, "csv") << "\">motion " << motion
                << ": its passes as CSV</a>\n";
        }
        out << "<figcaption>" << i + 1 << ". " << escapeXml(page.title);
        for (const std::string& step : page.steps) {
            out << "\n" << escapeXml(step);
        }
        out << "</figcaption></figure>\n";
    }
    out << kLoadCheck << "</body>\n</html>\n";
    return out.close() && !mFailed;
}

}  // namespace qxsim
