// The 3D page's viewer: reads the packed geometry from the page, draws it with WebGL (or with
// canvas 2D when WebGL is missing, or when the address ends in #canvas), and orbits, pans and
// zooms with the mouse. Any error is written into #hbx-status so that a test reading the DOM
// sees it.
'use strict';
(function() {
const statusBox = document.getElementById('hbx-status');
function report(text, state) {
    statusBox.textContent = text;
    statusBox.setAttribute('data-state', state);
}
window.addEventListener('error', function(e) { report('error: ' + e.message, 'error'); });

function bytesOf(id) {
    const text = atob(document.getElementById(id).textContent.trim());
    const out = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i)
        out[i] = text.charCodeAt(i);
    return out;
}

// The shape: positions (float32 x, y, z), triangles (uint32 corners), face normals (int8,
// scaled by 127), face patch ranks (uint32), side letters (uint8), edges (uint32 pairs) and
// their class letters, and the palette of the patch ranks (rgb bytes).
function loadShape(meta) {
    const shape = {meta : meta};
    shape.pos = new Float32Array(bytesOf('hbx-pos').buffer);
    shape.tri = new Uint32Array(bytesOf('hbx-tri').buffer);
    shape.nrm = new Int8Array(bytesOf('hbx-nrm').buffer);
    shape.rank = new Uint32Array(bytesOf('hbx-rank').buffer);
    shape.side = bytesOf('hbx-side');
    shape.edge = new Uint32Array(bytesOf('hbx-edge').buffer);
    shape.edgeClass = bytesOf('hbx-eclass');
    shape.palette = bytesOf('hbx-palette');
    shape.faceCount = shape.tri.length / 3;
    shape.edgeCount = shape.edge.length / 2;
    const vertexCount = shape.pos.length / 3;
    for (let i = 0; i < shape.tri.length; ++i)
        if (shape.tri[i] >= vertexCount) throw new Error('face corner out of range');
    for (let i = 0; i < shape.edge.length; ++i)
        if (shape.edge[i] >= vertexCount) throw new Error('edge end out of range');
    if (meta.sphere) shape.wire = sphereWire(meta.sphere);
    // Orbit centre and size: the middle and half diagonal of the bounds.
    const lo = [ Infinity, Infinity, Infinity ], hi = [ -Infinity, -Infinity, -Infinity ];
    const grow = function(x, y, z) {
        lo[0] = Math.min(lo[0], x), lo[1] = Math.min(lo[1], y), lo[2] = Math.min(lo[2], z);
        hi[0] = Math.max(hi[0], x), hi[1] = Math.max(hi[1], y), hi[2] = Math.max(hi[2], z);
    };
    for (let i = 0; i < shape.pos.length; i += 3)
        grow(shape.pos[i], shape.pos[i + 1], shape.pos[i + 2]);
    if (shape.wire)
        for (let i = 0; i < shape.wire.length; i += 3)
            grow(shape.wire[i], shape.wire[i + 1], shape.wire[i + 2]);
    if (lo[0] > hi[0]) grow(0, 0, 0);
    shape.mid = [ (lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2 ];
    shape.size = Math.hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) / 2 || 1;
    return shape;
}

// Meridians and parallels of a sphere as line segment pairs (x, y, z per end).
function sphereWire(sphere) {
    const r = sphere.radius, c = sphere.centre, steps = 64, out = [];
    const point = function(lat, lon) {
        return [
            c[0] + r * Math.cos(lat) * Math.sin(lon), c[1] + r * Math.sin(lat),
            c[2] + r * Math.cos(lat) * Math.cos(lon)
        ];
    };
    for (let m = 0; m < 12; ++m)
        for (let s = 0; s < steps; ++s) {
            const lon = m * Math.PI / 6;
            const a = -Math.PI / 2 + Math.PI * s / steps, b = a + Math.PI / steps;
            out.push.apply(out, point(a, lon).concat(point(b, lon)));
        }
    for (let p = 1; p < 12; ++p)
        for (let s = 0; s < steps; ++s) {
            const lat = -Math.PI / 2 + p * Math.PI / 12;
            const a = 2 * Math.PI * s / steps, b = a + 2 * Math.PI / steps;
            out.push.apply(out, point(lat, a).concat(point(lat, b)));
        }
    return new Float32Array(out);
}

// The camera: yaw about y, pitch towards y, the same angles as the static picture's views.
function cameraOf(view, shape, width, height) {
    const cy = Math.cos(view.yaw), sy = Math.sin(view.yaw);
    const cp = Math.cos(view.pitch), sp = Math.sin(view.pitch);
    const eye = [ cp * sy, sp, cp * cy ];
    const right = [ cy, 0, -sy ];
    const up = [
        eye[1] * right[2] - eye[2] * right[1], eye[2] * right[0] - eye[0] * right[2],
        eye[0] * right[1] - eye[1] * right[0]
    ];
    // The light comes from over the viewer's shoulder (up and a little right), so faces of
    // different directions differ in brightness, while a face squarely facing the viewer
    // still shows its colour unchanged (0.4 + 0.7 * 0.889 passes 1).
    const light = [ 0, 1, 2 ].map(function(k) { return 2 * eye[k] + up[k] + 0.25 * right[k]; });
    const norm = Math.hypot(light[0], light[1], light[2]);
    for (let k = 0; k < 3; ++k)
        light[k] /= norm;
    const scale = view.zoom * 0.9 * Math.min(width, height) / 2 / shape.size;
    return {
        eye : eye,
        right : right,
        up : up,
        light : light,
        scale : scale,
        width : width,
        height : height,
        panX : view.panX,
        panY : view.panY
    };
}

const edgeClasses = [ 'o', 'i', 'h', 'n' ];
const edgeNames = {
    o : 'convex',
    i : 'concave',
    h : 'open',
    n : 'flat'
};
const sideNames = {
    v : 'convex',
    c : 'concave or flat',
    m : 'mixed or open'
};

function colourOf(list, letter) {
    const c = list[letter] || [ 128, 128, 128 ];
    return c;
}

// Per-face colours (rgb bytes) by patch rank or by side letter.
function faceColours(shape, bySide) {
    const out = new Uint8Array(shape.faceCount * 3);
    const sideColours = shape.meta.sideColours;
    for (let f = 0; f < shape.faceCount; ++f) {
        let c;
        if (bySide)
            c = colourOf(sideColours, String.fromCharCode(shape.side[f]));
        else {
            const r = shape.rank[f] * 3;
            c = [ shape.palette[r], shape.palette[r + 1], shape.palette[r + 2] ];
        }
        out[3 * f] = c[0], out[3 * f + 1] = c[1], out[3 * f + 2] = c[2];
    }
    return out;
}

// Lines from each face's middle along its normal, a twentieth of the shape's size long.
function normalLines(shape) {
    const out = new Float32Array(shape.faceCount * 6), len = shape.size / 20;
    for (let f = 0; f < shape.faceCount; ++f) {
        for (let j = 0; j < 3; ++j) {
            const m =
                (shape.pos[3 * shape.tri[3 * f] + j] + shape.pos[3 * shape.tri[3 * f + 1] + j] +
                 shape.pos[3 * shape.tri[3 * f + 2] + j]) /
                3;
            out[6 * f + j] = m;
            out[6 * f + 3 + j] = m + shape.nrm[3 * f + j] / 127 * len;
        }
    }
    return out;
}

// ---- WebGL ----
// Shading is worked out per corner: every corner of a face carries the face's normal, so
// the face is lit evenly, and the fragment shader needs no vectors of its own.
const vertexShader =
    'attribute vec3 aPos; attribute vec3 aNormal; attribute vec3 aColour;' +
    'uniform vec3 uRight, uUp, uEye, uLight, uMid; uniform vec2 uScale, uPan;' +
    'uniform float uDepth;' +
    'varying vec3 vColour;' +
    'void main() { vec3 d = aPos - uMid;' +
    '  gl_Position = vec4(dot(d, uRight) * uScale.x + uPan.x, dot(d, uUp) * uScale.y + uPan.y,' +
    '                     -dot(d, uEye) * uDepth, 1.0);' +
    '  float n = length(aNormal) > 0.0 ? max(dot(normalize(aNormal), uLight), 0.0) : 0.0;' +
    '  vColour = aColour * min(1.0, 0.4 + 0.7 * n); }';
const fragmentShader =
    'precision mediump float; uniform vec3 uFlat; uniform float uLit; varying vec3 vColour;' +
    'void main() { gl_FragColor = vec4(uLit < 0.5 ? uFlat : vColour, 1.0); }';

function makeGL(canvas, shape) {
    const gl = canvas.getContext('webgl', {preserveDrawingBuffer : true, antialias : true});
    if (!gl) return null;
    const uintIndices = gl.getExtension('OES_element_index_uint');
    if (!uintIndices && shape.pos.length / 3 > 65535) return null;
    const compile = function(type, source) {
        const s = gl.createShader(type);
        gl.shaderSource(s, source);
        gl.compileShader(s);
        if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
        return s;
    };
    const program = gl.createProgram();
    gl.attachShader(program, compile(gl.VERTEX_SHADER, vertexShader));
    gl.attachShader(program, compile(gl.FRAGMENT_SHADER, fragmentShader));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS))
        throw new Error(gl.getProgramInfoLog(program));
    gl.useProgram(program);
    const loc = {};
    ['aPos', 'aNormal', 'aColour'].forEach(function(
        n) { loc[n] = gl.getAttribLocation(program, n); });
    ['uRight', 'uUp', 'uEye', 'uLight', 'uMid', 'uScale', 'uPan', 'uDepth', 'uFlat', 'uLit']
        .forEach(function(n) { loc[n] = gl.getUniformLocation(program, n); });
    const buffer = function(data, target) {
        const b = gl.createBuffer();
        gl.bindBuffer(target || gl.ARRAY_BUFFER, b);
        gl.bufferData(target || gl.ARRAY_BUFFER, data, gl.STATIC_DRAW);
        return b;
    };

    // Faces: every corner its own vertex, so a face's colour and normal stay its own.
    const F = shape.faceCount;
    const cornerPos = new Float32Array(F * 9), cornerNormal = new Int8Array(F * 9);
    for (let f = 0; f < F; ++f)
        for (let k = 0; k < 3; ++k) {
            const v = shape.tri[3 * f + k];
            for (let j = 0; j < 3; ++j) {
                cornerPos[9 * f + 3 * k + j] = shape.pos[3 * v + j];
                cornerNormal[9 * f + 3 * k + j] = shape.nrm[3 * f + j];
            }
        }
    const spread = function(colours) {
        const out = new Uint8Array(F * 9);
        for (let f = 0; f < F; ++f)
            for (let k = 0; k < 3; ++k)
                for (let j = 0; j < 3; ++j)
                    out[9 * f + 3 * k + j] = colours[3 * f + j];
        return out;
    };
    const faceBuffers = {
        pos : buffer(cornerPos),
        normal : buffer(cornerNormal),
        patch : buffer(spread(faceColours(shape, false))),
        side : buffer(spread(faceColours(shape, true)))
    };
    const vertexBuffer = buffer(shape.pos);
    const edgeBuffers = {};
    edgeClasses.forEach(function(c) {
        const list = [];
        for (let e = 0; e < shape.edgeCount; ++e)
            if (String.fromCharCode(shape.edgeClass[e]) === c)
                list.push(shape.edge[2 * e], shape.edge[2 * e + 1]);
        edgeBuffers[c] = {
            count : list.length,
            indexType : uintIndices ? gl.UNSIGNED_INT : gl.UNSIGNED_SHORT,
            buffer : buffer(uintIndices ? new Uint32Array(list) : new Uint16Array(list),
                            gl.ELEMENT_ARRAY_BUFFER)
        };
    });
    const wireBuffer = shape.wire ? buffer(shape.wire) : null;
    let normalBuffer = null;

    gl.enable(gl.DEPTH_TEST);
    gl.depthFunc(gl.LEQUAL);
    return {
        kind : 'webgl',
        draw : function(cam, options) {
            gl.viewport(0, 0, canvas.width, canvas.height);
            gl.clearColor(1, 1, 1, 1);
            gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
            gl.uniform3fv(loc.uRight, cam.right);
            gl.uniform3fv(loc.uUp, cam.up);
            gl.uniform3fv(loc.uEye, cam.eye);
            gl.uniform3fv(loc.uLight, cam.light);
            gl.uniform3fv(loc.uMid, shape.mid);
            gl.uniform2f(loc.uScale, cam.scale * 2 / cam.width, cam.scale * 2 / cam.height);
            gl.uniform2f(loc.uPan, cam.panX * 2 / cam.width, -cam.panY * 2 / cam.height);
            gl.uniform1f(loc.uDepth, 1 / (shape.size * 1.05));
            const attribute = function(name, b, size, type, normalized) {
                gl.bindBuffer(gl.ARRAY_BUFFER, b);
                gl.vertexAttribPointer(loc[name], size, type, normalized, 0, 0);
                gl.enableVertexAttribArray(loc[name]);
            };
            const linesOnly = function() {
                gl.disableVertexAttribArray(loc.aNormal);
                gl.disableVertexAttribArray(loc.aColour);
                gl.uniform1f(loc.uLit, 0);
            };
            if (F > 0) {
                gl.uniform1f(loc.uLit, 1);
                attribute('aPos', faceBuffers.pos, 3, gl.FLOAT, false);
                attribute('aNormal', faceBuffers.normal, 3, gl.BYTE, true);
                attribute('aColour', options.bySide ? faceBuffers.side : faceBuffers.patch, 3,
                          gl.UNSIGNED_BYTE, true);
                gl.enable(gl.POLYGON_OFFSET_FILL);
                gl.polygonOffset(1, 1);
                gl.drawArrays(gl.TRIANGLES, 0, F * 3);
                gl.disable(gl.POLYGON_OFFSET_FILL);
            }
            linesOnly();
            attribute('aPos', vertexBuffer, 3, gl.FLOAT, false);
            edgeClasses.forEach(function(c) {
                const eb = edgeBuffers[c];
                if (!options.edges[c] || eb.count === 0) return;
                const rgb = colourOf(shape.meta.edgeColours, c);
                gl.uniform3f(loc.uFlat, rgb[0] / 255, rgb[1] / 255, rgb[2] / 255);
                gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, eb.buffer);
                gl.drawElements(gl.LINES, eb.count, eb.indexType, 0);
            });
            if (options.normals && F > 0) {
                if (!normalBuffer) normalBuffer = buffer(normalLines(shape));
                gl.uniform3f(loc.uFlat, 0.1, 0.6, 0.1);
                attribute('aPos', normalBuffer, 3, gl.FLOAT, false);
                gl.drawArrays(gl.LINES, 0, F * 2);
            }
            if (wireBuffer) {
                gl.uniform3f(loc.uFlat, 0.12, 0.47, 0.71);
                attribute('aPos', wireBuffer, 3, gl.FLOAT, false);
                gl.drawArrays(gl.LINES, 0, shape.wire.length / 3);
            }
            const error = gl.getError();
            if (error !== gl.NO_ERROR) throw new Error('WebGL error ' + error);
        }
    };
}

// ---- canvas 2D: faces and edges painted back to front ----
function makeCanvas2D(canvas, shape) {
    const ctx = canvas.getContext('2d');
    if (!ctx) throw new Error('neither WebGL nor canvas 2D is available');
    const patchColours = faceColours(shape, false), sideColours = faceColours(shape, true);
    return {
        kind : 'canvas',
        draw : function(cam, options) {
            const V = shape.pos.length / 3, sx = new Float32Array(V), sy = new Float32Array(V),
                  depth = new Float32Array(V);
            const project = function(p, i, outX, outY, outD, k) {
                const d0 = p[i] - shape.mid[0], d1 = p[i + 1] - shape.mid[1],
                      d2 = p[i + 2] - shape.mid[2];
                outX[k] = cam.width / 2 + cam.panX +
                          (d0 * cam.right[0] + d1 * cam.right[1] + d2 * cam.right[2]) * cam.scale;
                outY[k] = cam.height / 2 + cam.panY -
                          (d0 * cam.up[0] + d1 * cam.up[1] + d2 * cam.up[2]) * cam.scale;
                outD[k] = d0 * cam.eye[0] + d1 * cam.eye[1] + d2 * cam.eye[2];
            };
            for (let v = 0; v < V; ++v)
                project(shape.pos, 3 * v, sx, sy, depth, v);
            ctx.fillStyle = '#ffffff';
            ctx.fillRect(0, 0, canvas.width, canvas.height);
            const items = [], keys = [], F = shape.faceCount, bias = shape.size * 1e-4;
            for (let f = 0; f < F; ++f) {
                items.push(f);
                keys.push((depth[shape.tri[3 * f]] + depth[shape.tri[3 * f + 1]] +
                           depth[shape.tri[3 * f + 2]]) /
                          3);
            }
            for (let e = 0; e < shape.edgeCount; ++e) {
                if (!options.edges[String.fromCharCode(shape.edgeClass[e])]) continue;
                items.push(F + e);
                keys.push((depth[shape.edge[2 * e]] + depth[shape.edge[2 * e + 1]]) / 2 + bias);
            }
            const order = items.map(function(_, i) { return i; });
            order.sort(function(a, b) { return keys[a] - keys[b]; });
            const colours = options.bySide ? sideColours : patchColours;
            for (const i of order) {
                const item = items[i];
                if (item < F) {
                    const a = shape.tri[3 * item], b = shape.tri[3 * item + 1],
                          c = shape.tri[3 * item + 2];
                    const n = (shape.nrm[3 * item] * cam.light[0] +
                               shape.nrm[3 * item + 1] * cam.light[1] +
                               shape.nrm[3 * item + 2] * cam.light[2]) /
                              127;
                    const lit = Math.min(1, 0.4 + 0.7 * Math.max(n, 0));
                    const fill = 'rgb(' + Math.round(colours[3 * item] * lit) + ',' +
                                 Math.round(colours[3 * item + 1] * lit) + ',' +
                                 Math.round(colours[3 * item + 2] * lit) + ')';
                    ctx.fillStyle = fill;
                    ctx.strokeStyle = fill;
                    ctx.lineWidth = 0.6;
                    ctx.beginPath();
                    ctx.moveTo(sx[a], sy[a]);
                    ctx.lineTo(sx[b], sy[b]);
                    ctx.lineTo(sx[c], sy[c]);
                    ctx.closePath();
                    ctx.fill();
                    ctx.stroke();
                } else {
                    const e = item - F, a = shape.edge[2 * e], b = shape.edge[2 * e + 1];
                    const rgb =
                        colourOf(shape.meta.edgeColours, String.fromCharCode(shape.edgeClass[e]));
                    ctx.strokeStyle = 'rgb(' + rgb.join(',') + ')';
                    ctx.lineWidth = 1;
                    ctx.beginPath();
                    ctx.moveTo(sx[a], sy[a]);
                    ctx.lineTo(sx[b], sy[b]);
                    ctx.stroke();
                }
            }
            const lines = function(data, colour) {
                const n = data.length / 3, lx = new Float32Array(n), ly = new Float32Array(n),
                      ld = new Float32Array(n);
                for (let k = 0; k < n; ++k)
                    project(data, 3 * k, lx, ly, ld, k);
                ctx.strokeStyle = colour;
                ctx.lineWidth = 1;
                ctx.beginPath();
                for (let k = 0; k + 1 < n; k += 2) {
                    ctx.moveTo(lx[k], ly[k]);
                    ctx.lineTo(lx[k + 1], ly[k + 1]);
                }
                ctx.stroke();
            };
            if (options.normals && F > 0) lines(normalLines(shape), 'rgb(26,153,26)');
            if (shape.wire) lines(shape.wire, 'rgb(31,120,181)');
        }
    };
}

// ---- page ----
function fillLegend(shape, options) {
    const box = document.getElementById('hbx-legend');
    const meta = shape.meta;
    const swatch = function(rgb, text) {
        const row = document.createElement('div');
        const s = document.createElement('span');
        s.className = 'swatch';
        s.style.background = 'rgb(' + rgb[0] + ',' + rgb[1] + ',' + rgb[2] + ')';
        row.appendChild(s);
        row.appendChild(document.createTextNode(text));
        box.appendChild(row);
    };
    box.textContent = '';
    if (meta.sphere) {
        swatch([ 31, 120, 181 ], 'sphere, radius ' + meta.sphere.radius);
        return;
    }
    if (options.bySide) {
        Object.keys(sideNames).forEach(function(
            s) { swatch(colourOf(meta.sideColours, s), 'side ' + s + ': ' + sideNames[s]); });
    } else {
        const listed = Math.min(meta.patches.length, 12);
        for (let r = 0; r < listed; ++r)
            swatch([ shape.palette[3 * r], shape.palette[3 * r + 1], shape.palette[3 * r + 2] ],
                   'patch ' + meta.patches[r]);
        if (meta.patches.length > listed)
            box.appendChild(
                document.createTextNode('... and ' + (meta.patches.length - listed) + ' more'));
    }
    edgeClasses.forEach(function(
        c) { swatch(colourOf(meta.edgeColours, c), 'edge ' + c + ': ' + edgeNames[c]); });
}

function main() {
    const meta = JSON.parse(document.getElementById('hbx-meta').textContent);
    const shape = loadShape(meta);
    const canvas = document.getElementById('hbx-canvas');
    const resize = function() {
        canvas.width = window.innerWidth;
        canvas.height = window.innerHeight;
    };
    resize();
    // The address may end in #flags, comma separated: canvas (draw without WebGL), side
    // (colour by side letter), normals (show face normals).
    const flags = location.hash.slice(1).split(',');
    const renderer =
        (flags.indexOf('canvas') < 0 && makeGL(canvas, shape)) || makeCanvas2D(canvas, shape);
    const views = {
        x : {yaw : Math.PI / 2, pitch : 0},
        y : {yaw : 0, pitch : Math.PI / 2},
        z : {yaw : 0, pitch : 0},
        iso : {yaw : Math.PI / 4, pitch : Math.asin(1 / Math.sqrt(3))}
    };
    const view = {yaw : 0, pitch : 0, zoom : 1, panX : 0, panY : 0};
    const setView = function(name) {
        view.yaw = views[name].yaw, view.pitch = views[name].pitch;
        view.zoom = 1, view.panX = 0, view.panY = 0;
    };
    setView(meta.view in views ? meta.view : 'iso');
    // On a dense mesh the convex and concave edges would hide the faces: they start hidden
    // there (the boxes show them). Open edges are few and always worth seeing.
    const sparse = shape.edgeCount <= 30000;
    const options = {
        bySide : flags.indexOf('side') >= 0,
        normals : flags.indexOf('normals') >= 0,
        edges : {o : sparse, i : sparse, h : true, n : false}
    };
    document.getElementById('hbx-by-side').checked = options.bySide;
    document.getElementById('hbx-normals').checked = options.normals;
    let pending = false;
    const draw = function() {
        pending = false;
        try {
            renderer.draw(cameraOf(view, shape, canvas.width, canvas.height), options);
            report('drawn ' + renderer.kind + ': ' + shape.faceCount + ' faces, ' +
                       shape.edgeCount + ' edges, ' + Math.round(performance.now()) +
                       ' ms after opening',
                   'ok');
        } catch (e) {
            report('error: ' + e.message, 'error');
        }
    };
    const redraw = function() {
        if (!pending) pending = true, requestAnimationFrame(draw);
    };
    const bind = function(id, event, action) {
        document.getElementById(id).addEventListener(event, function(e) {
            action(e.target);
            fillLegend(shape, options);
            redraw();
        });
    };
    bind('hbx-by-side', 'change', function(t) { options.bySide = t.checked; });
    bind('hbx-normals', 'change', function(t) { options.normals = t.checked; });
    edgeClasses.forEach(function(c) {
        const box = document.getElementById('hbx-edge-' + c);
        box.checked = options.edges[c];
        bind('hbx-edge-' + c, 'change', function(t) { options.edges[c] = t.checked; });
    });
    Object.keys(views).forEach(function(
        name) { bind('hbx-view-' + name, 'click', function() { setView(name); }); });
    let drag = null;
    canvas.addEventListener('mousedown', function(e) {
        drag = {x : e.clientX, y : e.clientY, pan : e.button !== 0 || e.shiftKey};
        e.preventDefault();
    });
    canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    window.addEventListener('mouseup', function() { drag = null; });
    window.addEventListener('mousemove', function(e) {
        if (!drag) return;
        const dx = e.clientX - drag.x, dy = e.clientY - drag.y;
        drag.x = e.clientX, drag.y = e.clientY;
        if (drag.pan)
            view.panX += dx, view.panY += dy;
        else {
            view.yaw -= dx * 0.01;
            view.pitch = Math.max(-Math.PI / 2, Math.min(Math.PI / 2, view.pitch + dy * 0.01));
        }
        redraw();
    });
    canvas.addEventListener('wheel', function(e) {
        view.zoom *= Math.exp(-e.deltaY * 0.001);
        e.preventDefault();
        redraw();
    }, {passive : false});
    window.addEventListener('resize', function() {
        resize();
        redraw();
    });
    fillLegend(shape, options);
    draw();
}

try {
    main();
} catch (e) {
    report('error: ' + (e && e.message ? e.message : e), 'error');
}
})();
