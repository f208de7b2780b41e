// The pages a user sees in a browser, loaded in Debian's headless Chromium:
// the detail pages the Windows suite wrote (MORVANE_PAGES_OUT) and the rating
// server's own pages (MORVANE_TEST_SERVER). Checks what the page's text
// cannot show: that hostile values stay text once the browser has parsed the
// page, that a narrow pane does not scroll sideways, that the contribution
// form really submits. Prints one line per check and "N passed, N failed".
//
//   node check.mjs PAGES_DIR [SCREENSHOT_DIR]

import { chromium } from "playwright-core";
import { existsSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const pagesDir = process.argv[2];
const shotsDir = process.argv[3] || pagesDir;
const server = process.env.MORVANE_TEST_SERVER || "";
let passed = 0;
let failed = 0;

function check(name, ok, detail = "") {
  if (ok) {
    passed++;
    console.log(`ok   ${name}`);
  } else {
    failed++;
    console.log(`FAIL ${name}${detail ? ": " + detail : ""}`);
  }
}

// Runs one group of checks on a fresh page; an exception fails the group
// rather than ending the run.
async function group(browser, name, width, body) {
  const page = await browser.newPage({ viewport: { width, height: 600 } });
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  page.on("dialog", (d) => {
    errors.push(`dialog: ${d.message()}`);
    d.dismiss();
  });
  try {
    await body(page);
    check(`${name}: no script error or dialog`, errors.length === 0, errors.join("; "));
  } catch (e) {
    check(`${name}: ran to the end`, false, String(e).split("\n")[0]);
  } finally {
    await page.close();
  }
}

const executablePath = ["/usr/bin/chromium", "/usr/bin/chromium-browser"].find(existsSync);
if (!executablePath) {
  console.log("FAIL chromium is not installed (scripts/setup.sh installs it)");
  console.log("0 passed, 1 failed");
  process.exit(1);
}
const browser = await chromium.launch({
  executablePath,
  args: ["--no-sandbox", "--disable-gpu"],
});

// ---- the detail pages
const detail = (name) => pathToFileURL(path.join(pagesDir, name)).href;
const noInjected = async (page) =>
  page.evaluate(() => document.querySelectorAll("body script, body img, body iframe, body b").length);

// A narrow pane must wrap long titles, paths and comments, not scroll sideways.
async function fitsTheWidth(page, what) {
  const sideways = await page.evaluate(
    () => document.documentElement.scrollWidth - document.documentElement.clientWidth,
  );
  check(`${what} wraps instead of scrolling sideways`, sideways <= 0, `${sideways} pixels too wide`);
}

if (existsSync(path.join(pagesDir, "hostile.htm"))) {
  // The detail pane is about a third of the window: 360 pixels wide.
  await group(browser, "detail page, hostile entry", 360, async (page) => {
    await page.goto(detail("hostile.htm"));
    check("hostile: title and values are text, no element injected", (await noInjected(page)) === 0);
    check(
      "hostile: the title reads as the registry holds it",
      (await page.textContent(".head .title")) ===
        `<script>document.title='owned'</script><img src=x onerror=alert(1)> & "co"`,
    );
    check(
      "hostile: the document title is the entry's, not one a script set",
      (await page.title()) === `<script>document.title='owned'</script><img src=x onerror=alert(1)> & "co"`,
    );
    check(
      "hostile: the arguments cell shows the quotes and markup as typed",
      (await page.textContent("table.facts tr:nth-child(2) td")).startsWith(`"<b>'x'</b>"`),
    );
    const warning = await page.$("table.facts font");
    check("hostile: the missing file's warning is shown", warning !== null &&
      (await warning.isVisible()) && (await warning.textContent()).includes("does not exist"));
    check(
      "hostile: the server's comment is text",
      (await page.textContent(".about")).startsWith("<iframe"),
    );
    await fitsTheWidth(page, "hostile: a title without spaces");
    const search = await page.getAttribute(".more a", "href");
    check("hostile: the search link stays on its site", new URL(search).host === "duckduckgo.com");
    await page.screenshot({ path: path.join(shotsDir, "hostile.png"), fullPage: true });
  });

  await group(browser, "detail page, rated entry", 360, async (page) => {
    await page.goto(detail("rated.htm"));
    check("rated: the rating chip names the rating", (await page.textContent(".chip.rating")) === "User's choice");
    check("rated: the location chip", (await page.textContent(".chip.where")) === "CU Run");
    check("rated: the comment", (await page.textContent(".about")) === "Mixes sound for the tray.");
    check("rated: no warning for a file that exists", (await page.$("table.facts font")) === null);
    await page.screenshot({ path: path.join(shotsDir, "rated.png"), fullPage: true });
  });

  await group(browser, "detail page, long path and invitation", 360, async (page) => {
    await page.goto(detail("invitation.htm"));
    await fitsTheWidth(page, "invitation: a 200-character path");
    const link = await page.getAttribute(".about a", "href");
    const url = new URL(link);
    check("invitation: the link is the contribution page", url.pathname === "/contribute2.php");
    check("invitation: the link carries the title and file", url.searchParams.get("t") === "Long Path" &&
      (url.searchParams.get("e") || "").startsWith("w".repeat(180) + ".exe"));
    await page.screenshot({ path: path.join(shotsDir, "invitation.png"), fullPage: true });
  });
} else {
  check(`detail pages in ${pagesDir}`, false, "the Windows suite wrote none");
}

// ---- the rating server's pages
if (server) {
  await group(browser, "server, program list", 1000, async (page) => {
    const answer = await page.goto(`${server}/mvo`);
    check("list: answers 200", answer.status() === 200);
    const rows = await page.$$eval("table tr td:first-child a", (a) => a.length);
    check("list: at least 150 programs", rows >= 150, `${rows} rows`);
    await page.click("table tr td:first-child a");
    check("list: a program's page opens from its link", /\/mvo\/program\/\d+$/.test(page.url()));
    check("program page: says its rating", (await page.textContent("body")).includes("Rating: "));
  });

  await group(browser, "server, contribution form", 800, async (page) => {
    const title = `<script>alert('t')</script>"><b>Tool`;
    const file = `x.exe" onmouseover="alert(1)`;
    const query = new URLSearchParams({ t: title, e: file }).toString();
    await page.goto(`${server}/contribute2.php?${query}`);
    check("form: the hostile values are not markup", (await noInjected(page)) === 0);
    check("form: the name field holds the title as given", (await page.inputValue("input[name=t]")) === title);
    check("form: the file field holds the file as given", (await page.inputValue("input[name=e]")) === file);
    await page.selectOption("select[name=rating]", "2");
    await page.fill("textarea[name=comment]", "Starts a tray icon; <i>harmless</i> & small.");
    const [answer] = await Promise.all([page.waitForNavigation(), page.click("input[type=submit]")]);
    check("form: the submission is taken", answer.status() === 200, `HTTP ${answer.status()}`);
    check("form: the answer says it waits for review", (await page.textContent("body")).includes("waits for review"));
    check("form: the answer shows the title as text", (await page.textContent("body b")) === title &&
      (await page.$$("body b")).length === 1 && (await page.$$("body script")).length === 0);
  });

  await group(browser, "server, bad addresses", 800, async (page) => {
    const broken = await page.goto(`${server}/contribute2.php?t=%zz&e=a.exe`);
    check("broken percent-encoding gets a 4xx", broken.status() >= 400 && broken.status() < 500,
      `HTTP ${broken.status()}`);
    const missing = await page.goto(`${server}/mvo/program/999999999`);
    check("an unknown program gets 404", missing.status() === 404, `HTTP ${missing.status()}`);
  });
} else {
  console.log("skip the rating server's pages: MORVANE_TEST_SERVER is not set");
}

await browser.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
