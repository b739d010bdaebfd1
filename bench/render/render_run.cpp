// The renderer's pass over a run folder.
#include "bench/render/render_run.h"

#include <map>
#include <string>
#include <system_error>
#include <utility>

#include "bench/render/painter.h"
#include "bench/render/trace_reader.h"

namespace bench::render {
namespace {

// Pictures written under temporary names, renamed into place by commit();
// removed if the pass stops before that.
class PendingFiles {
  public:
    ~PendingFiles() {
        std::error_code ignored;
        for (const auto& [temporary, final_path] : files_)
            std::filesystem::remove(temporary, ignored);
    }
    void write(cairo_surface_t* picture, const std::filesystem::path& final_path) {
        std::filesystem::path temporary = final_path;
        temporary += ".part";
        write_png(picture, temporary.string());
        files_.emplace_back(temporary, final_path);
    }
    std::vector<std::filesystem::path> commit() {
        std::vector<std::filesystem::path> written;
        for (const auto& [temporary, final_path] : files_) {
            std::filesystem::rename(temporary, final_path);
            written.push_back(final_path);
        }
        files_.clear();
        return written;
    }

  private:
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files_;
};

}  // namespace

std::vector<std::filesystem::path> render_run(const std::filesystem::path& dir) {
    const Run run = read_run(dir);
    PendingFiles pending;
    std::map<std::string, std::string> label_of_slug;  // two labels must not share pictures
    for (const Snapshot& snapshot : run.snapshots) {
        const std::string name = slug(snapshot.label);
        if (const auto [it, fresh] = label_of_slug.emplace(name, snapshot.label); !fresh) {
            throw BadRun("snapshots \"" + it->second + "\" and \"" + snapshot.label +
                         "\" would both be drawn as panel-" + name + ".png");
        }
        std::vector<PlacedPicture> gauges;
        for (const GaugeState& gauge : snapshot.gauges) {
            try {
                gauges.push_back({gauge.name, paint_gauge(gauge.name, gauge.elements)});
            } catch (const BadRun& e) {
                throw BadRun("snapshot \"" + snapshot.label + "\": " + e.what());
            }
        }
        const std::filesystem::path gauge_dir = dir / name;
        std::error_code error;
        std::filesystem::create_directories(gauge_dir, error);
        if (error) throw BadRun(gauge_dir.string() + ": " + error.message());
        for (const PlacedPicture& gauge : gauges) {
            pending.write(gauge.picture.get(), gauge_dir / (gauge.name + ".png"));
        }
        const Picture panel = paint_panel(gauges);
        pending.write(panel.get(), dir / ("panel-" + name + ".png"));
    }
    return pending.commit();
}

}  // namespace bench::render
