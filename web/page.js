// The converter page: the missions dropped or picked, the replacement dialog, the downloads, the
// list editor, and the scripting hook window.vok. All work is done by the core (vok_core.js); this
// file only shows and asks. Nothing leaves the browser.
"use strict";

(function () {
  const $ = (id) => document.getElementById(id);
  const LISTS_KEY = "vok.lists.v1";
  const VERSION_LABELS = { df1: "DF1", df2: "DF2", df3: "DF:LW", unknown: "not recognised" };
  const LIST_NAMES = ["DF1Items", "DF2Items", "DF3Items", "DF1Replace", "DF2Replace", "DF3Replace"];

  let core = null;
  const missions = [];

  // ---- small helpers ----
  function toBytes(data) {
    if (data instanceof Uint8Array) return data;
    if (data instanceof ArrayBuffer) return new Uint8Array(data);
    if (ArrayBuffer.isView(data)) return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
    if (Array.isArray(data)) return Uint8Array.from(data);
    throw new Error("bytes must be a Uint8Array, an ArrayBuffer or an array of numbers");
  }
  function checked(result) {
    if (result && result.error !== undefined) throw new Error(result.error);
    return result;
  }
  function el(tag, attributes, ...children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) {
      if (key === "text") node.textContent = value;
      else node.setAttribute(key, value);
    }
    for (const child of children) if (child) node.append(child);
    return node;
  }
  function toBase64(bytes) {
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }
  function fromBase64(text) {
    return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  }
  function saveBlob(bytes, name) {
    const url = URL.createObjectURL(new Blob([bytes], { type: "application/octet-stream" }));
    const a = el("a", { href: url, download: name });
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }
  function status(text) {
    $("status").textContent = text;
  }

  // ---- the lists in the browser's storage ----
  function persistLists() {
    const files = checked(core.listFiles()).files;
    localStorage.setItem(LISTS_KEY, JSON.stringify(files.map((f) => toBase64(f.bytes))));
    showListOrigin();
  }
  function restoreLists() {
    const stored = localStorage.getItem(LISTS_KEY);
    if (!stored) return;
    try {
      checked(core.setLists(JSON.parse(stored).map(fromBase64), false));
    } catch (error) {
      status("Your saved lists could not be used; the starter lists are in use.\n" + error.message);
    }
  }
  function showListOrigin() {
    $("list-origin").textContent = localStorage.getItem(LISTS_KEY)
      ? "Your own lists, kept in this browser"
      : "The starter lists";
  }

  // ---- missions ----
  async function addFiles(files) {
    await window.vok.ready;  // files picked while the core still loads wait for it
    for (const file of files) {
      const mission = { fileName: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
      missions.push(mission);
      mission.card = el("article", { class: "mission" });
      $("missions").append(mission.card);
      inspect(mission, null);
    }
    updateButtons();
  }

  function inspect(mission, version) {
    mission.info = null;
    mission.result = null;
    mission.error = null;
    try {
      mission.info = checked(core.inspect(mission.bytes, mission.fileName, version));
    } catch (error) {
      mission.error = error.message;
    }
    renderMission(mission);
    updateButtons();
  }

  function renderMission(mission) {
    const card = mission.card;
    card.replaceChildren(el("h3", { text: mission.fileName }));
    const info = mission.info;
    if (mission.error) {
      card.append(el("p", { class: "message", text: mission.error }));
      return;
    }
    if (info.version === "unknown") {
      const choice = el("select", {}, ...["df1", "df2", "df3"].map((v) => el("option", { value: v, text: VERSION_LABELS[v] })));
      const use = el("button", { type: "button", text: "Open as this version" });
      use.addEventListener("click", () => inspect(mission, choice.value));
      card.append(el("p", { class: "question", text: info.question }), el("div", {}, choice, use));
      return;
    }
    const facts = el("dl", { class: "facts" });
    const fact = (label, value) => facts.append(el("dt", { text: label }), el("dd", {}, value));
    fact("Version", VERSION_LABELS[info.version] + (info.form === "bms" ? ", binary" : ", ascii"));
    fact("Name", info.name || "(none)");
    fact("Terrain", info.terrain || "(none)");
    const categories = Object.entries(info.categories).map(([k, v]) => k + " " + v).join(", ");
    fact("Items", info.items + (categories ? " (" + categories + ")" : ""));
    fact("Events", String(info.events));
    const losses = info.asciiLosses.length
      ? el("ul", {}, ...info.asciiLosses.map((t) => el("li", { text: t })))
      : "nothing";
    fact("An ascii save loses", losses);
    if (info.passedOver.length) {
      fact("The reader passed over", el("ul", {}, ...info.passedOver.map((t) => el("li", { text: t }))));
    }
    card.append(facts);
    const result = el("div", { class: "result" });
    if (mission.result) {
      const r = mission.result;
      if (r.cancelled) {
        result.append(el("p", { text: r.heading }));
      } else {
        const url = URL.createObjectURL(new Blob([r.bytes], { type: "application/octet-stream" }));
        result.append(el("a", { class: "download", href: url, download: r.name, text: "Download " + r.name }));
        result.append(el("p", { text: r.heading }));
        const lines = r.report.concat(r.notSaved.map((t) => "Warning: " + t));
        result.append(lines.length ? el("ul", {}, ...lines.map((t) => el("li", { text: t }))) : el("p", { text: "Nothing was lost." }));
      }
    } else if (mission.convertError) {
      result.append(el("p", { class: "message", text: mission.convertError }));
    }
    card.append(result);
  }

  function usable() {
    return missions.filter((m) => m.info && m.info.version !== "unknown" && !m.error);
  }
  function updateButtons() {
    $("convert").disabled = !core || usable().length === 0;
    $("zip").disabled = !missions.some((m) => m.result && !m.result.cancelled);
  }

  // ---- the replacement dialog: each missing type once, for every mission of this run ----
  function ask(type) {
    return new Promise((resolve) => {
      const dialog = $("replace-dialog");
      const to = type.to;
      const entries = checked(core.entries(Number(to.slice(2)))).entries;
      const fill = () => {
        const all = $("replace-all-categories").checked;
        const shown = entries.filter((e) => all || e.category === type.category);
        $("replace-with").replaceChildren(
          ...shown.map((e) => el("option", { value: String(e.id), text: e.id + "  " + e.description })));
        if (shown.length) $("replace-with").selectedIndex = 0;
        for (const id of ["answer-ok", "answer-ok-a", "answer-ok-s"]) $(id).disabled = shown.length === 0;
      };
      $("replace-all-categories").checked = false;
      $("replace-all-categories").onchange = fill;
      fill();
      const what = type.description ? type.id + " (" + type.description + ")" : String(type.id);
      $("replace-question").textContent =
        "The " + type.category + " type " + what + " of " + VERSION_LABELS[type.from] +
        " does not exist in " + VERSION_LABELS[to] + ". It is used by " + type.count +
        (type.count === 1 ? " item" : " items") + " in " + type.missions.size +
        (type.missions.size === 1 ? " mission" : " missions") + ". What should take its place?";
      dialog.onclose = () => {
        const kind = dialog.returnValue || "skip";  // Esc: Skip, as in the window
        resolve({ kind, replacement: Number($("replace-with").value || 0) });
      };
      dialog.returnValue = "";
      dialog.showModal();
    });
  }

  async function convertAll() {
    const form = $("form").value;
    const chosen = $("target").value;
    const work = usable();
    const missing = new Map();
    for (const m of work) {
      const to = chosen || m.info.version;
      m.convertError = null;
      if (to === m.info.version) continue;
      try {
        for (const t of checked(core.missingTypes(m.bytes, m.fileName, m.info.version, to)).types) {
          const key = m.info.version + "|" + to + "|" + t.id;
          if (!missing.has(key)) missing.set(key, { from: m.info.version, to, id: t.id, description: t.description, category: t.category, count: 0, missions: new Set() });
          const entry = missing.get(key);
          entry.count += t.count;
          entry.missions.add(m.fileName);
        }
      } catch (error) {
        m.convertError = error.message;
      }
    }
    const answers = [];
    for (const type of missing.values()) {
      const answer = await ask(type);
      if (answer.kind === "cancel") {
        status("Cancel Save: nothing was converted.");
        return;
      }
      if (answer.kind === "ok-s") {
        // Saved at once in the source version's replacement list, as the window does.
        const list = Number(type.from.slice(2)) + 3;
        try {
          checked(core.putReplacement(list, -1, type.to, type.id, answer.replacement));
          persistLists();
        } catch (error) {
          status(error.message);
        }
        answer.kind = "ok-a";
      }
      answers.push({ from: type.from, to: type.to, id: type.id, kind: answer.kind, replacement: answer.replacement });
    }
    let done = 0;
    for (const m of work) {
      if (m.convertError) {
        renderMission(m);
        continue;
      }
      const to = chosen || m.info.version;
      try {
        m.result = checked(core.convert(m.bytes, m.fileName, { from: m.info.version, to, form, replace: "ask", answers }));
        done += m.result.cancelled ? 0 : 1;
      } catch (error) {
        m.result = null;
        m.convertError = error.message;
      }
      renderMission(m);
    }
    status(done + (done === 1 ? " mission converted." : " missions converted.") + " Nothing was uploaded.");
    updateButtons();
  }

  function downloadZip() {
    const files = {};
    const from = {};
    for (const m of missions) {
      if (!m.result || m.result.cancelled) continue;
      if (files[m.result.name]) {
        status(from[m.result.name] + " and " + m.fileName + " would both be written to " + m.result.name + "; nothing was written");
        return;
      }
      files[m.result.name] = m.result.bytes;
      from[m.result.name] = m.fileName;
    }
    saveBlob(fflate.zipSync(files), "vok-converted.zip");
  }

  // ---- the list editor ----
  let listRows = [];
  let selected = -1;

  function currentList() {
    return Number($("list-which").value);
  }
  function listStatus(text, bad) {
    $("list-status").textContent = text;
    $("list-status").style.color = bad ? "var(--bad)" : "";
  }
  function renderList() {
    const which = currentList();
    const items = which <= 3;
    $("item-fields").hidden = !items;
    $("replace-fields").hidden = items;
    $("list-head").replaceChildren(...(items ? ["Identifier", "Description"] : ["Item", "Description", "For", "Replacement", "Description"]).map((t) => el("th", { text: t })));
    listRows = checked(core.entries(which)).entries;
    const filter = $("list-filter").value.trim().toLowerCase();
    const body = [];
    listRows.forEach((row, index) => {
      if (!items && row.id === 0) return;  // the placeholder that keeps an empty list loadable
      const cells = items
        ? [row.id, row.description]
        : [row.id, row.description || "(not in list)", VERSION_LABELS[row.to] || row.to, row.replacement, row.replacementDescription || "(not in list)"];
      if (filter && !cells.some((c) => String(c).toLowerCase().includes(filter))) return;
      const tr = el("tr", { "data-index": String(index) }, ...cells.map((c) => el("td", { text: String(c) })));
      if (index === selected) tr.className = "selected";
      tr.addEventListener("click", () => selectRow(index));
      body.push(tr);
    });
    $("list-body").replaceChildren(...body);
    $("entry-save").disabled = $("entry-delete").disabled = selected < 0;
    showListOrigin();
  }
  function selectRow(index) {
    selected = index;
    const row = listRows[index];
    if (currentList() <= 3) {
      $("entry-id").value = row.id;
      $("entry-description").value = row.description;
    } else {
      $("rep-id").value = row.id;
      $("rep-to").value = row.to;
      $("rep-replacement").value = row.replacement;
    }
    renderList();
  }
  // Makes a change to the lists; when it takes, keeps them in this browser and shows them again.
  function changeLists(change, select, message) {
    try {
      checked(change());
    } catch (error) {
      listStatus(error.message, true);
      return;
    }
    persistLists();
    selected = select();
    listStatus(message);
    renderList();
  }
  function putEntry(index) {
    const which = currentList();
    changeLists(
      () =>
        which <= 3
          ? core.putItem(which, index, Number($("entry-id").value || 0), $("entry-description").value)
          : core.putReplacement(which, index, $("rep-to").value, Number($("rep-id").value || 0), Number($("rep-replacement").value || 0)),
      () => (index >= 0 ? index : checked(core.entries(which)).entries.length - 1),
      (index >= 0 ? "Changed" : "Added") + " in " + LIST_NAMES[which - 1] + ".vok; saved in this browser."
    );
  }
  function deleteEntry() {
    const which = currentList();
    changeLists(() => core.deleteEntry(which, selected), () => -1, "Deleted from " + LIST_NAMES[which - 1] + ".vok; saved in this browser.");
  }
  async function loadListFiles(files, text) {
    const suffix = text ? ".txt" : ".vok";
    const byName = new Map([...files].map((f) => [f.name.toLowerCase(), f]));
    const absent = LIST_NAMES.filter((n) => !byName.has((n + suffix).toLowerCase()));
    if (absent.length) {
      listStatus("Choose all six list files; missing: " + absent.map((n) => n + suffix).join(", "), true);
      return;
    }
    const contents = [];
    for (const name of LIST_NAMES) {
      const file = byName.get((name + suffix).toLowerCase());
      contents.push(text ? await file.text() : new Uint8Array(await file.arrayBuffer()));
    }
    changeLists(() => core.setLists(contents, text), () => -1, "Loaded the six lists; saved in this browser.");
  }
  function saveListFiles(text) {
    const files = {};
    for (const f of checked(core.listFiles()).files) {
      files[text ? f.textName : f.name] = text ? fflate.strToU8(f.text) : f.bytes;
    }
    saveBlob(fflate.zipSync(files), text ? "vok-lists-text.zip" : "vok-lists.zip");
  }

  // ---- wiring ----
  function showView(name) {
    $("view-convert").hidden = name !== "convert";
    $("view-lists").hidden = name !== "lists";
    $("tab-convert").classList.toggle("active", name === "convert");
    $("tab-lists").classList.toggle("active", name === "lists");
    if (name === "lists") renderList();
  }

  function wire() {
    $("tab-convert").addEventListener("click", () => showView("convert"));
    $("tab-lists").addEventListener("click", () => showView("lists"));
    $("pick").addEventListener("change", (e) => {
      addFiles([...e.target.files]);
      e.target.value = "";
    });
    const drop = $("drop");
    drop.addEventListener("dragover", (e) => {
      e.preventDefault();
      drop.classList.add("over");
    });
    drop.addEventListener("dragleave", () => drop.classList.remove("over"));
    drop.addEventListener("drop", (e) => {
      e.preventDefault();
      drop.classList.remove("over");
      addFiles([...e.dataTransfer.files]);
    });
    // A file dropped beside the zone is not opened by the browser in place of the page.
    window.addEventListener("dragover", (e) => e.preventDefault());
    window.addEventListener("drop", (e) => e.preventDefault());
    $("convert").addEventListener("click", convertAll);
    $("zip").addEventListener("click", downloadZip);
    $("clear").addEventListener("click", () => {
      missions.length = 0;
      $("missions").replaceChildren();
      updateButtons();
    });
    $("list-which").addEventListener("change", () => {
      selected = -1;
      listStatus("");
      renderList();
    });
    $("list-filter").addEventListener("input", renderList);
    $("entry-form").addEventListener("submit", (e) => {
      e.preventDefault();
      putEntry(-1);
    });
    $("entry-save").addEventListener("click", () => putEntry(selected));
    $("entry-delete").addEventListener("click", deleteEntry);
    $("load-vok").addEventListener("change", (e) => loadListFiles(e.target.files, false).then(() => (e.target.value = "")));
    $("load-text").addEventListener("change", (e) => loadListFiles(e.target.files, true).then(() => (e.target.value = "")));
    $("save-vok").addEventListener("click", () => saveListFiles(false));
    $("save-text").addEventListener("click", () => saveListFiles(true));
    $("starter").addEventListener("click", () => {
      checked(core.useStarterLists());
      localStorage.removeItem(LISTS_KEY);
      selected = -1;
      listStatus("The starter lists are in use again.");
      renderList();
    });
  }

  // ---- the scripting hook ----
  function loaded() {
    if (!core) throw new Error("The converter is still loading: wait for window.vok.ready");
    return core;
  }
  window.vok = {
    ready: null,
    /// "df1" | "df2" | "df3" | "unknown"; throws with the message for a name that is no mission.
    detect(bytes, fileName) {
      return checked(loaded().detect(toBytes(bytes), String(fileName))).version;
    },
    /// {bytes, name, report}; throws with the message. options: {to, form, replace, epoch, from}.
    convert(bytes, fileName, options) {
      const o = options || {};
      const r = checked(loaded().convert(toBytes(bytes), String(fileName), {
        from: o.from, to: o.to, form: o.form, epoch: o.epoch, replace: o.replace || "fail",
      }));
      return { bytes: r.bytes, name: r.name, report: r.report, heading: r.heading };
    },
  };

  wire();
  window.vok.ready = createVokCore().then((module) => {
    core = module;
    restoreLists();
    showListOrigin();
    if (!$("status").textContent.startsWith("Your saved lists")) status("Ready. Drop missions here or pick them; they stay on this computer.");
    updateButtons();
    return true;
  });
})();
