// The live-reload test proper: see live_reload_test.sh.
'use strict';
const puppeteer = require('puppeteer-core');
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [larkspan, chromium, work] = process.argv.slice(2);

function fail(message) {
  console.error('FAILED: ' + message);
  process.exitCode = 1;
}

// A two-language site whose page is long enough to scroll.
function writeSite(root) {
  const crlf = (text) => text.replace(/\n/g, '\r\n');
  fs.mkdirSync(path.join(root, 'pages'), { recursive: true });
  fs.writeFileSync(path.join(root, 'site.hpr'), crlf(
    '[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\nGroup2=deutsch.mcr\n' +
    '[Sources]\nSourceNumber=1\nSource0=pages\\index.tpl\n'));
  fs.writeFileSync(path.join(root, 'site.mcr'), '');
  fs.writeFileSync(path.join(root, 'english.mcr'), crlf('{:Hello:0:}\nHello\n'));
  fs.writeFileSync(path.join(root, 'deutsch.mcr'), crlf('{:Hello:0:}\nHallo\n'));
  writeTemplate(root, 'first');
}

// The template saved through a temporary file and a rename, as editors do.
function writeTemplate(root, word) {
  const filler = '<p style="height:400px">filler</p>\n'.repeat(10);
  const temporary = path.join(root, 'pages', '.index.tpl.new');
  fs.writeFileSync(temporary,
    `<html><body><h1>{#Hello}</h1>\n${filler}<p id="word">${word}</p>\n</body></html>\n`);
  fs.renameSync(temporary, path.join(root, 'pages', 'index.tpl'));
}

// Starts /serve and resolves with its port once it watches.
function serve(root, home) {
  const child = spawn(larkspan, ['site.hpr', '/serve', '--port', '8760'], {
    cwd: root,
    env: { ...process.env, XDG_CONFIG_HOME: path.join(home, 'config'),
           XDG_DATA_HOME: path.join(home, 'data'), DISPLAY: '' },
  });
  let output = '';
  const started = new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no "Watching" in: ' + output)), 20000);
    const take = (data) => {
      output += data;
      const port = /at http:\/\/127\.0\.0\.1:(\d+)\//.exec(output);
      if (port && output.includes('Watching')) {
        clearTimeout(timer);
        resolve(Number(port[1]));
      }
    };
    child.stdout.on('data', take);
    child.stderr.on('data', take);
  });
  const ended = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  return { child, started, ended, output: () => output };
}

(async () => {
  const root = fs.mkdtempSync(path.join(work, 'site-'));
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'larkspan-home-'));
  writeSite(root);
  const server = serve(root, home);
  const port = await server.started;
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 800, height: 600 });
    await page.goto(`http://127.0.0.1:${port}/pages/english/index.htm`, { waitUntil: 'load' });
    if ((await page.$eval('#word', (e) => e.textContent)) !== 'first') fail('the page as built');
    await page.evaluate(() => { window.scrollTo(0, 1500); window.notReloaded = true; });
    writeTemplate(root, 'second');
    await page.waitForFunction(
      () => document.getElementById('word') &&
            document.getElementById('word').textContent === 'second',
      { timeout: 15000 });
    if (await page.evaluate(() => window.notReloaded === true))
      fail('the text changed without a reload');
    const scroll = await page.evaluate(() => window.scrollY);
    if (Math.abs(scroll - 1500) > 2) fail('scroll position after the reload: ' + scroll);
    if ((await page.$eval('h1', (e) => e.textContent)) !== 'Hello') fail('the English macro');
    console.log(`reloaded by itself at scroll ${scroll}`);
  } catch (error) {
    fail(error.stack || String(error));
  } finally {
    await browser.close();
    server.child.kill('SIGINT');
    const code = await server.ended;
    if (code !== 0) fail(`/serve ended with ${code}:\n${server.output()}`);
    fs.rmSync(root, { recursive: true, force: true });
    fs.rmSync(home, { recursive: true, force: true });
  }
  if (!process.exitCode) console.log('live reload in Chromium: passed');
})().catch((error) => { fail(error.stack || String(error)); });
