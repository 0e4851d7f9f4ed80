// Values per second of a well-known JavaScript fake-data library for the shapes of value_bench,
// printed next to the engine's figures from value_bench's JSON output. Called by
// compare_faker.sh, which installs the library and runs value_bench first.
//
//   node faker_values.mjs --faker-dir DIR --brunox FILE.json [--count N]
//
// Every call returns the value as text, as the engine does, so number shapes pay for their
// conversion on both sides.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

function parseArguments(argv) {
  const options = { count: 2000000 };
  for (let i = 0; i < argv.length; i += 2) {
    const [key, value] = [argv[i], argv[i + 1]];
    if (value === undefined) throw new Error(`${key} needs a value`);
    if (key === '--faker-dir') options.fakerDir = value;
    else if (key === '--brunox') options.brunox = value;
    else if (key === '--count') options.count = Number.parseInt(value, 10);
    else throw new Error(`unknown argument ${key}`);
  }
  if (!options.fakerDir || !options.brunox) throw new Error('--faker-dir and --brunox are needed');
  if (!(options.count > 0)) throw new Error('--count must be a positive number');
  return options;
}

const pad2 = (n) => String(n).padStart(2, '0');

// Keyed by value_bench's shape names. `call` is what the table shows as the library's side.
function fakerShapes(faker) {
  const colours = ['red', 'green', 'blue'];
  const from = new Date(Date.UTC(1970, 0, 1));
  const to = new Date(Date.UTC(2050, 11, 31, 23, 59, 59));
  return {
    code: { call: "helpers.replaceSymbols('???-##')", make: () => faker.helpers.replaceSymbols('???-##') },
    letters3: { call: "helpers.replaceSymbols('???')", make: () => faker.helpers.replaceSymbols('???') },
    digits2to4: {
      call: 'string.numeric({length:{min:2,max:4}})',
      make: () => faker.string.numeric({ length: { min: 2, max: 4 } }),
    },
    list3: { call: 'helpers.arrayElement([...3])', make: () => faker.helpers.arrayElement(colours) },
    optional: {
      call: "helpers.maybe(replaceSymbols('???')) + string.numeric(1)",
      make: () => (faker.helpers.maybe(() => faker.helpers.replaceSymbols('???')) ?? '') + faker.string.numeric(1),
    },
    email: {
      call: "helpers.fromRegExp('[a-z]{8}@[a-z]{5}.com')",
      make: () => faker.helpers.fromRegExp('[a-z]{8}@[a-z]{5}.com'),
    },
    hexguid: {
      call: "helpers.fromRegExp('[0-9A-F]{8}-...{12}')",
      make: () => faker.helpers.fromRegExp('[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}'),
    },
    guid: { call: 'string.uuid()', make: () => faker.string.uuid() },
    rint: {
      call: 'String(number.int({min:1,max:1000000}))',
      make: () => String(faker.number.int({ min: 1, max: 1000000 })),
    },
    rfloat: {
      call: 'number.float({0,1000,fractionDigits:2}).toFixed(6)',
      make: () => faker.number.float({ min: 0, max: 1000, fractionDigits: 2 }).toFixed(6),
    },
    rdate: {
      call: 'date.between(1970..2050) as DD.MM.YYYY',
      make: () => {
        const d = faker.date.between({ from, to });
        return `${pad2(d.getUTCDate())}.${pad2(d.getUTCMonth() + 1)}.${d.getUTCFullYear()}`;
      },
    },
    rtime: {
      call: 'date.between(...) as HH:MM:SS',
      make: () => {
        const d = faker.date.between({ from, to });
        return `${pad2(d.getUTCHours())}:${pad2(d.getUTCMinutes())}:${pad2(d.getUTCSeconds())}`;
      },
    },
    upper: {
      call: "string.alpha({length:8,casing:'lower'}).toUpperCase()",
      make: () => faker.string.alpha({ length: 8, casing: 'lower' }).toUpperCase(),
    },
    expression: {
      call: 'String(number.int({min:1,max:1000})*2+1)',
      make: () => String(faker.number.int({ min: 1, max: 1000 }) * 2 + 1),
    },
    regexphex: {
      call: "helpers.fromRegExp('[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}')",
      make: () => faker.helpers.fromRegExp('[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}'),
    },
    regexpphone: {
      call: "helpers.fromRegExp('[2-9][0-9]{2}-[0-9]{3}-[0-9]{4}')",
      make: () => faker.helpers.fromRegExp('[2-9][0-9]{2}-[0-9]{3}-[0-9]{4}'),
    },
    regexpcode: {
      call: "helpers.fromRegExp('[A-Z]{2}[0-9]{2,4}X?')",
      make: () => faker.helpers.fromRegExp('[A-Z]{2}[0-9]{2,4}X?'),
    },
  };
}

// Values per second over `count` calls, after a warm-up that lets the JIT settle. The summed
// lengths keep the calls from being optimised away.
function measure(make, count) {
  let sink = 0;
  const warmUp = Math.min(count, 100000);
  for (let i = 0; i < warmUp; ++i) sink += make().length;
  const start = process.hrtime.bigint();
  for (let i = 0; i < count; ++i) sink += make().length;
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  if (sink === 0) throw new Error('the calls gave only empty values');
  return count / seconds;
}

// shape -> { pattern, handle, text, error } from value_bench's single-thread runs.
function readBrunox(file) {
  const shapes = new Map();
  for (const run of JSON.parse(readFileSync(file, 'utf8')).benchmarks ?? []) {
    const match = /^(by_handle|by_text)\/([^/]+)\/.*threads:1$/.exec(run.name);
    if (!match) continue;
    const [, mode, shape] = match;
    const entry = shapes.get(shape) ?? { pattern: '', handle: null, text: null, error: '' };
    if (run.label) entry.pattern = run.label;
    if (run.error_occurred) entry.error = run.error_message ?? 'failed';
    else entry[mode === 'by_handle' ? 'handle' : 'text'] = run.items_per_second;
    shapes.set(shape, entry);
  }
  return shapes;
}

function rate(value) {
  if (value === null || value === undefined) return '-';
  if (value >= 1e6) return `${(value / 1e6).toFixed(2)} M/s`;
  if (value >= 1e3) return `${(value / 1e3).toFixed(1)} k/s`;
  return `${value.toFixed(0)} /s`;
}

function printTable(header, rows) {
  const widths = header.map((h, i) => Math.max(h.length, ...rows.map((r) => r[i].length)));
  // Names and texts to the left, figures to the right; the last column is not padded.
  const last = header.length - 1;
  const cell = (c, i) => (i === last ? c : i <= 1 ? c.padEnd(widths[i]) : c.padStart(widths[i]));
  const line = (cells) => cells.map(cell).join('  ');
  console.log(line(header));
  console.log(widths.map((w) => '-'.repeat(w)).join('  '));
  for (const row of rows) console.log(line(row));
}

function main() {
  const options = parseArguments(process.argv.slice(2));
  const require = createRequire(path.join(path.resolve(options.fakerDir), 'package.json'));
  const { faker } = require('@faker-js/faker');
  const version = require('@faker-js/faker/package.json').version;
  faker.seed(20240601);

  const brunox = readBrunox(options.brunox);
  const shapes = fakerShapes(faker);
  const rows = [];
  const unmatched = [];
  for (const [name, engine] of brunox) {
    const peer = shapes[name];
    if (!peer) {
      unmatched.push(name);
      continue;
    }
    const fakerRate = measure(peer.make, options.count);
    const ratio = engine.handle ? `${(engine.handle / fakerRate).toFixed(2)}x` : '-';
    const code = /\d+/.exec(engine.error)?.[0];
    const pattern = engine.error ? `${engine.pattern} (error ${code ?? '?'})` : engine.pattern;
    rows.push([name, pattern, rate(engine.handle), rate(engine.text), rate(fakerRate), ratio, peer.call]);
  }
  console.log(`One thread each; faker ${version} on node ${process.version}, ${options.count} values per shape;`);
  console.log('engine figures from value_bench (by handle / by text). Ratio = engine by handle / faker.\n');
  printTable(['shape', 'pattern', 'engine handle', 'engine text', 'faker', 'ratio', 'faker call'], rows);
  if (unmatched.length) console.log(`\nno faker counterpart for: ${unmatched.join(', ')}`);
}

try {
  main();
} catch (error) {
  console.error(`faker_values: ${error.message}`);
  process.exit(1);
}
