// Put before the module's loader, which expects the require and __dirname of a
// CommonJS scope under Node (an ES module has neither). Browsers skip it.
const isNode = typeof process == 'object' && typeof process.versions == 'object' && !!process.versions.node;
const require = isNode ? (await import('node:module')).createRequire(import.meta.url) : undefined;
const __dirname = isNode ? require('node:path').dirname(require('node:url').fileURLToPath(import.meta.url)) : '';
