#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace hfp::devserver {

// The synthetic landscape that the tiles show: a height field with sea and lakes, towns,
// road networks and place names, all deterministic functions of position. Positions are in
// Mercator metres from the world's north-west corner (x east, y south), so the landscape is
// the same at every zoom level; a pixel at level L spans kWorldMetres / (256 · 2^L).
constexpr double kWorldMetres = 40075016.685578488;

struct MetrePoint {
    double x = 0.0;
    double y = 0.0;
};

// The grid cell of a coordinate, for cells `cell` metres wide.
inline int64_t CellIndex(double v, double cell) {
    return static_cast<int64_t>(std::floor(v / cell));
}

uint64_t Mix(uint64_t v);
uint64_t Hash(uint64_t a, uint64_t b = 0, uint64_t c = 0, uint64_t d = 0);
// A number in [0, 1) drawn from a hash.
double Unit(uint64_t hash);

// Ground height in metres, with the undulations down to `finestWavelength` metres long (a
// tile leaves out those too small to see). Land is above 0, water at or below.
double Height(MetrePoint p, double finestWavelength);
// The height's broad shape, the same at every level: where towns, roads and labels go.
double CoarseHeight(MetrePoint p);

enum class PlaceKind { City, Town, Village, Locality };

struct Place {
    PlaceKind kind = PlaceKind::City;
    MetrePoint at;
    double radius = 0.0;  // extent of its built-up area (0 for a locality)
    uint64_t seed = 0;
};

// Road networks are jittered grids whose nodes are joined to their east and south
// neighbours; an edge exists where its kind of road belongs.
enum class RoadKind { Highway, MainRoad, Road, Street, Path };
constexpr int kRoadKindCount = 5;

struct RoadEdgeId {
    RoadKind kind = RoadKind::Road;
    int64_t i = 0;
    int64_t j = 0;
    int dir = 0;  // 0: towards the east neighbour, 1: towards the south neighbour
    friend bool operator==(const RoadEdgeId&, const RoadEdgeId&) = default;
};

struct RoadEdge {
    RoadEdgeId id;
    std::vector<MetrePoint> points;  // empty when there is no road
    MetrePoint min, max;             // bounding box of the points
};

struct Building {
    std::array<MetrePoint, 4> corners;
};

// One drawing's view of the landscape. It remembers the places and roads it has worked
// out, so it belongs to one thread at a time.
class Landscape {
  public:
    static double CellSize(PlaceKind kind);
    static double CellSize(RoadKind kind);
    static constexpr double kSpotHeightCell = 2000.0;

    const Place* PlaceInCell(PlaceKind kind, int64_t i, int64_t j);
    // How built-up the land is: 0 in open country up to 1 in a town centre.
    double Urbanity(MetrePoint p);
    static std::string PlaceName(const Place& place, bool japanese);
    // One town in four is a major town, named on maps of smaller scale too.
    static bool IsMajor(const Place& place);

    const RoadEdge& Edge(RoadKind kind, int64_t i, int64_t j, int dir);

    // The buildings along both sides of a road in built-up land. `halfWidth` is the drawn
    // half width in metres of each kind of road, negative for kinds not drawn; buildings keep
    // clear of every drawn road and of water at the detail `finestWavelength`.
    std::vector<Building> BuildingsAlong(const RoadEdge& edge,
                                         const std::array<double, kRoadKindCount>& halfWidth,
                                         double finestWavelength);

    // A surveyed height in mountain country, one at most per cell.
    std::optional<MetrePoint> SpotHeightInCell(int64_t i, int64_t j);

  private:
    struct Key {
        int kind;
        int64_t i;
        int64_t j;
        int dir;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };

    std::optional<Place> MakePlace(PlaceKind kind, int64_t i, int64_t j);
    RoadEdge MakeEdge(const RoadEdgeId& id);
    bool ClearOfRoads(MetrePoint centre, double radius, const RoadEdgeId& own,
                      const std::array<double, kRoadKindCount>& halfWidth);

    std::unordered_map<Key, std::optional<Place>, KeyHash> m_places;
    std::unordered_map<Key, RoadEdge, KeyHash> m_edges;
};

}  // namespace hfp::devserver
