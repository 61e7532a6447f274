#include "tests/proxy2d/plain_reference.h"

#include "proxy2d/outline_math.h"

#include <cmath>
#include <vector>

namespace hbx2test {

using namespace hbx2;

void plainOutline(Mesh2D& mesh) {
    auto& edges = mesh.edges;
    const int n = static_cast<int>(edges.size());
    for (int i = 0; i < n; ++i) {
        if (edges[i].visited) continue;
        edges[i].visited = 1;
        for (int j = i + 1; j < n; ++j) {
            if (edges[j].visited) continue;
            if ((edges[j].vtx1 == edges[i].vtx1 && edges[j].vtx2 == edges[i].vtx2) ||
                (edges[j].vtx1 == edges[i].vtx2 && edges[j].vtx2 == edges[i].vtx1)) {
                edges[i].outline = 0;
                edges[j].outline = 0;
                edges[j].visited = 1;
            }
        }
    }
    for (auto& e : edges) {
        if (!e.outline) continue;
        mesh.vertices[e.vtx1].onOutline = 1;
        mesh.vertices[e.vtx2].onOutline = 1;
    }
    for (int i = 0; i < n; ++i) {
        MeshEdge2D& e = edges[i];
        if (!e.outline) continue;
        const float* p1 = mesh.vertices[e.vtx1].pos;
        const float* p2 = mesh.vertices[e.vtx2].pos;
        e.vect[0] = p2[0] - p1[0];
        e.vect[1] = p2[1] - p1[1];
        e.length = (float)std::sqrt((double)(e.vect[1] * e.vect[1] + e.vect[0] * e.vect[0]));
        if (e.length != 0) {
            e.vect[0] = e.vect[0] / e.length;
            e.vect[1] = e.vect[1] / e.length;
        } else {
            e.vect[0] = 0;
            e.vect[1] = 0;
        }
        for (int v : {e.vtx1, e.vtx2}) {
            if (mesh.vertices[v].edge[0] == -1)
                mesh.vertices[v].edge[0] = i;
            else
                mesh.vertices[v].edge[1] = i;
        }
    }
    for (auto& v : mesh.vertices)
        if (v.edge[0] != -1 && v.edge[1] == -1) v.edge[1] = v.edge[0];
}

void plainNormals(Mesh2D& mesh) {
    const int n = static_cast<int>(mesh.edges.size());
    for (int i = 0; i < n; ++i) {
        MeshEdge2D& e = mesh.edges[i];
        if (!e.outline) continue;
        e.norm[0] = -e.vect[1];
        e.norm[1] = e.vect[0];
        const float* p1 = mesh.vertices[e.vtx1].pos;
        const float* p2 = mesh.vertices[e.vtx2].pos;
        const RayLine ray =
            makeRayLine((p1[0] + p2[0]) / 2, (p1[1] + p2[1]) / 2, e.norm[0], e.norm[1]);
        int behind = 0, front = 0;
        for (int j = 0; j < n; ++j) {
            if (j == i || !mesh.edges[j].outline) continue;
            Crossing c;
            if (!rayCrossing(ray, segmentOf(mesh, mesh.edges[j]), EdgeEnds::Open, &c)) continue;
            if (c.s < 0)
                ++behind;
            else
                ++front;
        }
        if (behind % 2 == 1 && front % 2 == 0) continue;
        e.norm[0] = -e.norm[0];
        e.norm[1] = -e.norm[1];
    }
}

namespace {

// Signed distance of vertex p from the line of outline edge e, positive on the
// side e.norm points to (outside the mesh), each step rounded to float; a
// distance closer to 0 than 0.0001 puts p on the line.
float distanceFromLine(const Mesh2D& mesh, const MeshEdge2D& e, int p) {
    const float* onLine = mesh.vertices[e.vtx1].pos;
    const float* point = mesh.vertices[p].pos;
    const float dx = point[0] - onLine[0];
    const float dy = point[1] - onLine[1];
    const float across = e.norm[1] * dy;
    const float along = e.norm[0] * dx;
    const float d = across + along;
    return std::fabs(static_cast<double>(d)) < 0.0001 ? 0.0f : d;
}

// How the outline bends at each outline vertex: the far end of its second slot
// edge lies outside the line of its first slot edge at a reflex corner ('i'),
// inside it at a convex one ('o'), and on it where the outline runs straight
// on ('n'). A vertex with a single outline edge (both slots name it) has no
// corner and counts as straight.
void plainVertexTypes(Mesh2D& mesh) {
    const int vertexCount = static_cast<int>(mesh.vertices.size());
    for (int w = 0; w < vertexCount; ++w) {
        MeshVertex2D& vertex = mesh.vertices[w];
        if (!vertex.onOutline) continue;
        const int first = vertex.edge[0];
        const int second = vertex.edge[1];
        if (first == second) {
            vertex.type = 'n';
            continue;
        }
        const MeshEdge2D& leaving = mesh.edges[second];
        const int farEnd = leaving.vtx1 == w ? leaving.vtx2 : leaving.vtx1;
        const float d = distanceFromLine(mesh, mesh.edges[first], farEnd);
        if (d > 0.0f)
            vertex.type = 'i';
        else if (d == 0.0f)
            vertex.type = 'n';
        else
            vertex.type = 'o';
    }
}

} // namespace

void plainTypes(Mesh2D& mesh) {
    const int n = static_cast<int>(mesh.edges.size());
    for (int i = 0; i < n; ++i) {
        MeshEdge2D& e = mesh.edges[i];
        if (!e.outline) continue;
        bool c = true, v = true;
        for (int j = 0; j < n; ++j) {
            const MeshEdge2D& o = mesh.edges[j];
            if (j == i || !o.outline) continue;
            int far;
            if (o.vtx1 == e.vtx1 || o.vtx1 == e.vtx2)
                far = o.vtx2;
            else if (o.vtx2 == e.vtx1 || o.vtx2 == e.vtx2)
                far = o.vtx1;
            else
                continue;
            const float d = lineDistance(e, mesh.vertices[e.vtx1].pos, mesh.vertices[far].pos);
            if (d > 0)
                v = false;
            else
                c = false;
        }
        e.type = c ? 'c' : (v ? 'v' : 'm');
    }
    plainVertexTypes(mesh);
}

namespace {

struct Kept {
    bool found = false;
    float x = 0, y = 0, distance = 0;
};

void keepNearer(Kept& k, const Crossing& c, float px, float py) {
    const float dx = c.x - px, dy = c.y - py;
    const float d = (float)std::sqrt((double)(dx * dx + dy * dy));
    if (!k.found || d < k.distance) k = Kept{true, c.x, c.y, d};
}

bool plainSearch(const Mesh2D& mesh, int w, const RayLine& ray, EdgeEnds ends, float* safe) {
    const MeshVertex2D& v = mesh.vertices[w];
    Kept target, fallback;
    for (const MeshEdge2D& k : mesh.edges) {
        if (!k.outline || k.vtx1 == w || k.vtx2 == w) continue;
        Crossing c;
        if (!rayCrossing(ray, segmentOf(mesh, k), ends, &c)) continue;
        if (v.type == 'i' && c.s > 0)
            keepNearer(target, c, ray.ox, ray.oy);
        else if (v.type == 'i' && c.s < 0)
            keepNearer(fallback, c, ray.ox, ray.oy);
        else if (v.type == 'o' && c.s < 0)
            keepNearer(target, c, ray.ox, ray.oy);
    }
    const float px = v.pos[0], py = v.pos[1];
    if (target.found) {
        safe[0] = (float)(px + 0.75 * (target.x - px));
        safe[1] = (float)(py + 0.75 * (target.y - py));
        return true;
    }
    if (fallback.found) {
        safe[0] = (float)(px + 0.75 * (px - fallback.x));
        safe[1] = (float)(py + 0.75 * (py - fallback.y));
        return true;
    }
    return false;
}

} // namespace

void plainSafePoints(Mesh2D& mesh) {
    const int n = static_cast<int>(mesh.vertices.size());
    for (int w = 0; w < n; ++w) {
        MeshVertex2D& v = mesh.vertices[w];
        if (!v.onOutline || v.type == 'n') continue;
        const float* n0 = mesh.edges[v.edge[0]].norm;
        const float* n1 = mesh.edges[v.edge[1]].norm;
        float bx = n1[0] + n0[0], by = n1[1] + n0[1];
        const float l = (float)std::sqrt((double)(by * by + bx * bx));
        if (l != 0) {
            bx = bx / l;
            by = by / l;
        }
        const RayLine ray = makeRayLine(v.pos[0], v.pos[1], bx, by);
        if (plainSearch(mesh, w, ray, EdgeEnds::Open, v.safe)) continue;
        if (plainSearch(mesh, w, ray, EdgeEnds::Closed, v.safe)) continue;
        v.safe[0] = v.pos[0];
        v.safe[1] = v.pos[1];
    }
}

int plainPatchCycle(Mesh2D& mesh) {
    auto& edges = mesh.edges;
    const int n = static_cast<int>(edges.size());
    int notes = 0;
    std::vector<std::vector<int>> sets(n);
    while (true) {
        bool again;
        do {
            again = false;
            for (int f = 0; f < n; ++f) {
                if (!edges[f].outline || !edges[f].mergeable) continue;
                for (int end : {edges[f].vtx1, edges[f].vtx2}) {
                    const MeshVertex2D& w = mesh.vertices[end];
                    int g;
                    if (w.edge[0] == f)
                        g = w.edge[1];
                    else if (w.edge[1] == f)
                        g = w.edge[0];
                    else
                        continue;
                    const bool both = edges[f].unabsorbed && edges[g].unabsorbed &&
                                      edges[g].type == edges[f].type && edges[g].mergeable;
                    if (edges[g].type != edges[f].type || !edges[g].mergeable) continue;
                    const int oldPatch = edges[g].patch, newPatch = edges[f].patch;
                    for (auto& t : edges)
                        if (t.mergeable && t.patch == oldPatch) t.patch = newPatch;
                    edges[g].patch = newPatch;
                    edges[g].unabsorbed = 0;
                    if (both) again = true;
                }
            }
        } while (again);
        bool any = false;
        for (int i = 0; i < n; ++i) {
            sets[i].clear();
            if (!edges[i].outline) continue;
            for (int m = 0; m < n; ++m) {
                if (!edges[m].outline || edges[m].patch != edges[i].patch) continue;
                if (isAllergic(mesh, i, m)) sets[i].push_back(m);
            }
            any = any || !sets[i].empty();
        }
        if (!any) break;
        ++notes;
        int pivot = -1;
        for (int i = 0; i < n && pivot < 0; ++i)
            if (!sets[i].empty()) pivot = sets[i][0];
        for (auto& e : edges) {
            e.mergeable = 0;
            e.unabsorbed = 1;
        }
        int next = -1;
        for (auto& e : edges)
            if (e.outline && e.patch > next) next = e.patch;
        ++next;
        for (int i = 0; i < n; ++i) {
            if (!edges[i].outline) continue;
            for (int m : sets[i]) {
                if (m != pivot) continue;
                edges[i].mergeable = 1;
                edges[i].patch = next++;
            }
        }
    }
    return notes;
}

int plainDerive(Mesh2D& mesh) {
    plainOutline(mesh);
    plainNormals(mesh);
    plainTypes(mesh);
    plainSafePoints(mesh);
    return plainPatchCycle(mesh);
}

} // namespace hbx2test
