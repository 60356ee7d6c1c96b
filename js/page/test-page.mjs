// The page in headless chromium: a document pasted and a shape drawn give the
// pieces and counts the package gives in Node; saves page/screenshot.png.
import assert from 'node:assert/strict';
import {readFile} from 'node:fs/promises';
import {chromium} from 'playwright-core';

import {CrossSections} from '../index.js';

// Pieces in all and polygons drawn, as the package counts and draws them.
function expected(json, options) {
    const set = CrossSections.fromJSON(json);
    let pieces = 0;
    for (let i = 0; i < set.length; ++i) pieces += set.decompose(i, options).pieces.length;
    const polygons = set.toSVG(options).split('<polygon').length - 1;
    set.dispose();
    return {pieces: String(pieces), polygons};
}

// From the file itself: the module is embedded in the package's script, so nothing is fetched.
const browser = await chromium.launch({executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
                                       args: ['--no-sandbox', '--allow-file-access-from-files']});
try {
    const page = await browser.newPage({viewport: {width: 1180, height: 760}});
    page.on('pageerror', (error) => assert.fail(error));
    await page.goto(new URL('index.html', import.meta.url).href);
    await page.waitForSelector('body[data-ready]');
    const shown = async () => ({pieces: await page.getAttribute('#counts', 'data-pieces'),
                                polygons: await page.locator('#picture polygon').count()});

    const dude = await readFile(new URL('../../tests/data/realworld/dude.json', import.meta.url), 'utf8');
    await page.fill('#document', dude);
    await page.click('#read');
    assert.deepEqual(await shown(), expected(dude, {}));
    await page.check('#merge');
    await page.fill('#maxVertices', '5');
    assert.deepEqual(await shown(), expected(dude, {merge: true, maxVertices: 5}));

    await page.fill('#document', '{');
    await page.click('#read');
    assert.match(await page.textContent('#error'), /JSON parse error at byte offset 1/);

    // An L shape with a square hole, drawn corner by corner; the first corner again closes a ring.
    const box = await page.locator('#draw').boundingBox();
    for (const ring of [[[40, 40], [360, 40], [360, 140], [160, 140], [160, 260], [40, 260]],
                        [[70, 70], [70, 110], [110, 110], [110, 70]]])
        for (const [x, y] of [...ring, ring[0]]) await page.mouse.click(box.x + x, box.y + y);
    const drawn = await page.inputValue('#document');
    assert.equal(JSON.parse(drawn).Outlines[0].length, 10);
    assert.deepEqual(await shown(), expected(drawn, {merge: true, maxVertices: 5}));
    assert.equal(await page.getAttribute('#counts', 'data-bridges'), '1');

    await page.screenshot({path: new URL('screenshot.png', import.meta.url).pathname, fullPage: true});
    console.log('page: document and drawing decomposed as in Node; screenshot saved');
} finally {
    await browser.close();
}
