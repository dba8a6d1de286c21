// The sheet and its stones, drawn from the game record's shot lines: the
// motion of a shot (every moving stone's samples), where each stone is at a
// time within it, and a painter for a canvas. The replay page and the live
// page both draw with this one script, inlined into each.
const CurlingSheet = (function () {
  "use strict";
  const COLOURS = ["#d62f2f", "#f0c419"];
  const PATH_COLOURS = ["#d62f2f", "#d49b00"];  // yellow darkened to show on the ice
  const R = 0.145;                                    // stone radius (m)
  const TEE = [2.375, 4.88], BACK_LINE = 3.05, HOG_LINE = 11.28, DELIVERY = [2.375, 41.28];
  const WIDTH = 4.75, SHEET_TOP = 1.35, SHEET_BOTTOM = 42.0;
  const VIEWS = {house: 13.25, sheet: SHEET_BOTTOM};  // bottom edge of each view (y)
  const EXITS = ["left_side", "left_back"];

  // Records written before sample times were kept have points only: spread
  // them evenly between the stone's first and last event, which is close.
  function estimatedTimes(shot, path) {
    const own = (shot.events || []).filter(e => e.a === path.stone || e.b === path.stone);
    const t0 = path.stone === shot.shot ? 0 : (own.length ? own[0].t : 0);
    const n = path.points.length;
    const t1 = own.length > 1 ? own[own.length - 1].t : t0 + 0.1 * (n - 1);
    return path.points.map((_, i) => n > 1 ? t0 + (t1 - t0) * i / (n - 1) : t0);
  }

  // Motion of a shot line: {byStone: {stone: {stone, t, x, y, leaves}},
  // duration, gone (stones out of play before it), events}; kept per line.
  const motions = new WeakMap();
  function motionOf(shot) {
    if (motions.has(shot)) return motions.get(shot);
    const events = shot.events || [];
    const byStone = {};
    let duration = 0;
    for (const path of shot.trajectories || []) {
      if (!path.points || !path.points.length || path.stone < 0 || path.stone > 15) continue;
      const times = Array.isArray(path.times) && path.times.length === path.points.length ?
          path.times : estimatedTimes(shot, path);
      const n = times.length;
      const m = {stone: path.stone, t: new Float64Array(n), x: new Float64Array(n), y: new Float64Array(n),
                 leaves: events.some(e => e.a === path.stone && EXITS.includes(e.kind))};
      for (let i = 0; i < n; i++) {
        m.t[i] = i > 0 ? Math.max(times[i], m.t[i - 1]) : times[i];
        m.x[i] = path.points[i][0];
        m.y[i] = path.points[i][1];
      }
      byStone[path.stone] = m;
      duration = Math.max(duration, m.t[n - 1]);
    }
    for (const e of events) if (e.kind !== "event_limit" && isFinite(e.t)) duration = Math.max(duration, e.t);
    const gone = new Set(events.filter(e => e.kind === "out_of_play_before").map(e => e.a));
    const motion = {byStone, duration, gone, events};
    motions.set(shot, motion);
    return motion;
  }

  // Position of a moving stone at time t, linear between recorded samples.
  function positionAt(m, t) {
    const n = m.t.length;
    if (t <= m.t[0]) return [m.x[0], m.y[0]];
    if (t >= m.t[n - 1]) return [m.x[n - 1], m.y[n - 1]];
    let lo = 0, hi = n - 1;  // m.t[lo] <= t < m.t[hi]
    while (hi - lo > 1) {
      const mid = (lo + hi) >> 1;
      if (m.t[mid] <= t) lo = mid; else hi = mid;
    }
    const f = (t - m.t[lo]) / (m.t[hi] - m.t[lo]);
    return [m.x[lo] + f * (m.x[hi] - m.x[lo]), m.y[lo] + f * (m.y[hi] - m.y[lo])];
  }

  // Stones at rest in a position (32 numbers, 0,0 for a stone not in play);
  // seatOf(stone) says whose each is.
  function stillStones(positions, seatOf) {
    const out = [];
    for (let i = 0; i < 16; i++) {
      const x = positions[2 * i], y = positions[2 * i + 1];
      if (x !== undefined && !(x === 0 && y === 0)) out.push({stone: i, seat: seatOf(i), x, y});
    }
    return out;
  }

  // Stones shown while `shot` is at time t: still ones where they were, moving
  // ones on their paths, stones that left play gone; at the end the record's
  // after-shot position (which also applies the hog line and guard zone rules).
  function stonesAt(shot, t, seatOf) {
    const m = motionOf(shot);
    const done = t >= m.duration;
    const from = (done ? shot.after : shot.before) || [];
    const out = [];
    for (let i = 0; i < 16; i++) {
      let x = from[2 * i], y = from[2 * i + 1];
      let shown = x !== undefined && !(x === 0 && y === 0);
      const path = m.byStone[i];
      if (!done) {
        if (m.gone.has(i)) shown = false;
        if (path && t >= path.t[0]) {
          [x, y] = positionAt(path, t);
          shown = !(path.leaves && t >= path.t[path.t.length - 1]);
        }
      }
      if (shown) out.push({stone: i, seat: seatOf(i), x, y});
    }
    return out;
  }

  // Whether a stone of `shot` is on its way at time t beyond the house view
  // (a camera that follows the stones then shows the whole sheet).
  function travelsBeyondHouse(shot, t) {
    const m = motionOf(shot);
    for (const i in m.byStone) {
      const path = m.byStone[i];
      const last = path.t.length - 1;
      if (t < path.t[0] || t >= path.t[last]) continue;
      if (positionAt(path, t)[1] > VIEWS.house - 1.0) return true;
    }
    return false;
  }

  // A painter for one canvas. draw(scene) with scene = {bottom (the view's
  // lower edge, y), shot (the shot line in motion or last played, or null),
  // t (seconds since its release; Infinity at rest), stones, speed (of
  // viewing, for the fading of paths), seatOf(stone)}.
  function painter(canvas) {
    const ctx = canvas.getContext("2d");
    let cssW = 0, cssH = 0, dpr = 1;

    function resize(width, height) {
      cssW = Math.round(width);
      cssH = Math.round(height);
      dpr = window.devicePixelRatio || 1;
      canvas.style.width = cssW + "px";
      canvas.style.height = cssH + "px";
      canvas.width = Math.round(cssW * dpr);
      canvas.height = Math.round(cssH * dpr);
    }

    // World to canvas pixels for a view whose lower edge is at `bottom`.
    function viewTransform(bottom) {
      const left = -0.15, right = WIDTH + 0.15;
      const s = Math.min(cssW / (right - left), cssH / (bottom - SHEET_TOP));
      const ox = (cssW - (right - left) * s) / 2 - left * s;
      return {s, ox, oy: -SHEET_TOP * s};
    }

    function drawSheet(v) {
      ctx.setTransform(dpr * v.s, 0, 0, dpr * v.s, dpr * v.ox, dpr * v.oy);
      ctx.fillStyle = "#f7fafc";
      ctx.fillRect(0, SHEET_TOP, WIDTH, SHEET_BOTTOM - SHEET_TOP);
      const ring = (r, colour) => {
        ctx.beginPath(); ctx.arc(TEE[0], TEE[1], r, 0, 2 * Math.PI); ctx.fillStyle = colour; ctx.fill();
      };
      ring(1.83, "#4a7fd8"); ring(1.22, "#f7fafc"); ring(0.61, "#d85050"); ring(0.15, "#f7fafc");
      const line = (x1, y1, x2, y2, width, colour) => {
        ctx.beginPath(); ctx.moveTo(x1, y1); ctx.lineTo(x2, y2);
        ctx.lineWidth = width; ctx.strokeStyle = colour; ctx.stroke();
      };
      line(TEE[0], SHEET_TOP, TEE[0], SHEET_BOTTOM, 0.012, "#556");
      line(0, TEE[1], WIDTH, TEE[1], 0.012, "#556");
      line(0, BACK_LINE, WIDTH, BACK_LINE, 0.02, "#556");
      line(0, HOG_LINE, WIDTH, HOG_LINE, 0.08, "#c33");
      ctx.beginPath(); ctx.arc(DELIVERY[0], DELIVERY[1], R, 0, 2 * Math.PI);
      ctx.lineWidth = 0.02; ctx.strokeStyle = "#889"; ctx.stroke();
      ctx.lineWidth = 0.03; ctx.strokeStyle = "#556";
      ctx.strokeRect(0, SHEET_TOP, WIDTH, SHEET_BOTTOM - SHEET_TOP);
    }

    // Opacity of a stretch of path `age` shot seconds behind the stone: bright
    // near the stone, fading within about a second of viewing to a trace.
    const TRACE = 0.45;
    const pathAlpha = (age, speed) => TRACE + (1 - TRACE) * Math.exp(-Math.max(age, 0) / (speed * 0.8));
    const alphaLevel = a => Math.round(a * 10) / 10;

    // The path of one stone up to time t, in runs of equal opacity.
    function drawPath(v, path, t, colour, thrown, speed) {
      const last = path.t.length - 1;
      if (t < path.t[0]) return;
      ctx.strokeStyle = colour;
      ctx.lineWidth = thrown ? Math.max(0.03, 2 / v.s) : Math.max(0.022, 1.5 / v.s);
      ctx.setLineDash(thrown ? [] : [Math.max(0.06, 4 / v.s), Math.max(0.04, 3 / v.s)]);
      let run = -1;
      ctx.beginPath();
      ctx.moveTo(path.x[0], path.y[0]);
      for (let i = 1; i <= last && path.t[i - 1] < t; i++) {
        const end = path.t[i] <= t;
        const [x, y] = end ? [path.x[i], path.y[i]] : positionAt(path, t);
        const level = alphaLevel(pathAlpha(t - (end ? path.t[i] : t), speed));
        if (level !== run) {
          if (run >= 0) { ctx.globalAlpha = run; ctx.stroke(); ctx.beginPath(); ctx.moveTo(path.x[i - 1], path.y[i - 1]); }
          run = level;
        }
        ctx.lineTo(x, y);
      }
      if (run >= 0) { ctx.globalAlpha = run; ctx.stroke(); }
      ctx.globalAlpha = 1;
      ctx.setLineDash([]);
    }

    function drawStones(v, stones, thrown) {
      ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
      const r = Math.max(R * v.s, 3);  // true size, but never under 3 px
      ctx.textAlign = "center";
      ctx.textBaseline = "middle";
      ctx.font = "600 " + Math.round(r * 0.85) + "px system-ui, sans-serif";
      for (const st of stones) {
        const px = v.ox + st.x * v.s, py = v.oy + st.y * v.s;
        ctx.beginPath(); ctx.arc(px, py, r, 0, 2 * Math.PI);
        ctx.fillStyle = COLOURS[st.seat]; ctx.fill();
        ctx.lineWidth = st.stone === thrown ? Math.max(1.5, 0.03 * v.s) : 1;
        ctx.strokeStyle = "#222"; ctx.stroke();
        if (r >= 7) {
          ctx.beginPath(); ctx.arc(px, py, r * 0.55, 0, 2 * Math.PI);
          ctx.lineWidth = 1; ctx.strokeStyle = "rgba(0,0,0,0.25)"; ctx.stroke();
          ctx.fillStyle = "#111";
          ctx.fillText(String(st.stone + 1), px, py + 0.5);
        }
      }
    }

    function draw(scene) {
      const v = viewTransform(scene.bottom);
      ctx.setTransform(1, 0, 0, 1, 0, 0);
      ctx.clearRect(0, 0, canvas.width, canvas.height);
      drawSheet(v);
      let thrown = -1;
      if (scene.shot) {
        const m = motionOf(scene.shot);
        thrown = scene.shot.shot;
        for (const i in m.byStone) {
          const path = m.byStone[i];
          drawPath(v, path, scene.t, PATH_COLOURS[scene.seatOf(path.stone)], path.stone === thrown,
                   scene.speed);
        }
      }
      drawStones(v, scene.stones, thrown);
    }

    return {resize, draw};
  }

  return {COLOURS, VIEWS, motionOf, positionAt, stillStones, stonesAt, travelsBeyondHouse, painter};
})();
