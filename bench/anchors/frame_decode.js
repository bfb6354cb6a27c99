// The frame-decoding peer: the xbee-api package's parser in API mode 2 on the bytes that
// bench_frame_decode decodes (its --dump-input), fed as one block per pass, as our block path
// takes them. Prints one JSON line: CPU-time throughput with raw frames (checked frame bytes,
// what our decoder delivers) and with the package's default frame objects.
'use strict';
const fs = require('fs');
const path = require('path');

const [input, seconds = '0.5'] = process.argv.slice(2);
const xbeeApi = require(path.join(__dirname, 'node_modules', 'xbee-api'));
const bytes = fs.readFileSync(input);

function cpuSeconds() {
  const u = process.cpuUsage();
  return (u.user + u.system) / 1e6;
}

function measure(rawFrames) {
  const parser = new xbeeApi.XBeeAPI({ api_mode: 2, raw_frames: rawFrames });
  let frames = 0;
  let errors = 0;
  parser.on(rawFrames ? 'frame_raw' : 'frame_object', () => { frames += 1; });
  parser.on('error', () => { errors += 1; });
  for (let i = 0; i < 200; i += 1) parser.parseRaw(bytes);  // let the JIT settle
  frames = 0;
  let passes = 0;
  const start = cpuSeconds();
  let elapsed = 0;
  while (elapsed < Number(seconds)) {
    for (let i = 0; i < 100; i += 1) parser.parseRaw(bytes);
    passes += 100;
    elapsed = cpuSeconds() - start;
  }
  return { bytes_per_second: (passes * bytes.length) / elapsed, frames_per_pass: frames / passes,
           errors };
}

const raw = measure(true);
const objects = measure(false);
process.stdout.write(JSON.stringify({ raw, objects }) + '\n');
