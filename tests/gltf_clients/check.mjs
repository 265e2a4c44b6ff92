// Checks glTF files written by palisor-cli with two clients nobody here wrote: the Khronos glTF
// Validator (no errors, no warning the input did not have already) and three.js's GLTFLoader
// (the file loads; every new morph target is in morphTargetDictionary under its name and holds
// the expected displacements, float for float; where asked, the first animation played to a time
// gives a node the expected morph weights, and a skinned node's vertices, moved by its morph
// targets and its skeleton, the expected places).
//
//   node check.mjs MANIFEST.json
//
// MANIFEST.json: [{"output": PATH, "input": PATH or null,
//                  "targets": [{"mesh": I, "primitive": P, "name": S, "position": [x, y, z, ...]}],
//                  "animation": {} or {"node": NAME, "time": T, "influences": {TARGET: WEIGHT}},
//                  "skin": {} or {"node": NAME, "time": T, "positions": [x, y, z, ...]}}]
import fs from 'node:fs';
import path from 'node:path';
import { resolveObjectURL } from 'node:buffer';
import { pathToFileURL, fileURLToPath } from 'node:url';
import validator from 'gltf-validator';
import { GLTFLoader } from 'three/examples/jsm/loaders/GLTFLoader.js';
import { AnimationMixer, Vector3 } from 'three';

// Node has no file URLs in fetch and no image decoding: local files are read from disk and
// images stand in as 1x1 bitmaps (the checks concern geometry).
const networkFetch = globalThis.fetch;
globalThis.fetch = async (url, options) => {
  const text = typeof url === 'string' ? url : url.url;
  if (text.startsWith('data:')) return networkFetch(text, options);
  if (text.startsWith('blob:')) return new Response(resolveObjectURL(text));
  return new Response(fs.readFileSync(fileURLToPath(text)));
};
globalThis.createImageBitmap = async () => ({ width: 1, height: 1, close() {} });
globalThis.self = globalThis;
globalThis.ProgressEvent ??= class extends Event { constructor(type, init = {}) { super(type); Object.assign(this, init); } };

async function validate(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  return validator.validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      Promise.resolve(new Uint8Array(fs.readFileSync(path.resolve(path.dirname(file), decodeURIComponent(uri))))),
  });
}

function warningCounts(report) {
  const counts = new Map();
  for (const message of report.issues.messages) {
    if (message.severity === 1) counts.set(message.code, (counts.get(message.code) || 0) + 1);
  }
  return counts;
}

function load(file) {
  const bytes = fs.readFileSync(file);
  const buffer = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
  return new Promise((resolve, reject) =>
    new GLTFLoader().parse(buffer, pathToFileURL(path.dirname(path.resolve(file))).href + '/', resolve, reject));
}

const failures = [];
const manifest = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
for (const entry of manifest) {
  const fail = (what) => failures.push(`${entry.output}: ${what}`);
  const report = await validate(entry.output);
  for (const message of report.issues.messages) {
    if (message.severity === 0) fail(`validator error ${message.code} at ${message.pointer}: ${message.message}`);
  }
  const before = entry.input ? warningCounts(await validate(entry.input)) : new Map();
  for (const [code, count] of warningCounts(report)) {
    if (count > (before.get(code) || 0)) fail(`validator warning ${code} that the input did not have`);
  }
  let gltf;
  try {
    gltf = await load(entry.output);
  } catch (error) {
    fail(`three.js cannot load it: ${error}`);
    continue;
  }
  for (const target of entry.targets || []) {
    const object = await gltf.parser.getDependency('mesh', target.mesh);
    const mesh = object.isMesh ? object : object.children[target.primitive];
    const where = `meshes[${target.mesh}].primitives[${target.primitive}] target '${target.name}'`;
    const index = mesh && mesh.morphTargetDictionary ? mesh.morphTargetDictionary[target.name] : undefined;
    if (index === undefined) {
      fail(`${where} is not in three.js's morphTargetDictionary`);
      continue;
    }
    const data = mesh.geometry.morphAttributes.position[index].array;
    const expected = Float32Array.from(target.position);
    const differs = data.length !== expected.length || expected.some((value, i) => !Object.is(value, data[i]));
    if (differs) fail(`${where}: three.js reads other displacements than palisor-cli computed`);
  }
  if (entry.animation && entry.animation.node) checkAnimation(gltf, entry.animation, fail);
  if (entry.skin && entry.skin.node) checkSkin(gltf, entry.skin, fail);
}
// Plays the first animation to the time asked and compares the node's morph weights.
function checkAnimation(gltf, animation, fail) {
  const node = gltf.scene.getObjectByName(animation.node);
  if (!node || !node.morphTargetDictionary) return fail(`no node '${animation.node}' with morph targets`);
  if (gltf.animations.length === 0) return fail('three.js finds no animation');
  const mixer = new AnimationMixer(gltf.scene);
  mixer.clipAction(gltf.animations[0]).play();
  mixer.setTime(animation.time);
  for (const [name, expected] of Object.entries(animation.influences)) {
    const weight = node.morphTargetInfluences[node.morphTargetDictionary[name]];
    if (!(Math.abs(weight - expected) <= 1e-6)) {
      fail(`at ${animation.time} s '${animation.node}' shows '${name}' at ${weight}, not ${expected}`);
    }
  }
}

// Plays the first animation to the time asked and compares where the skinned node's vertices are
// seen in the scene.
function checkSkin(gltf, skin, fail) {
  let mesh = gltf.scene.getObjectByName(skin.node);
  if (mesh && !mesh.isSkinnedMesh) mesh = mesh.getObjectByProperty('isSkinnedMesh', true);
  if (!mesh) return fail(`three.js makes no skinned mesh of '${skin.node}'`);
  const mixer = new AnimationMixer(gltf.scene);
  if (gltf.animations.length > 0) mixer.clipAction(gltf.animations[0]).play();
  mixer.setTime(skin.time);
  gltf.scene.updateMatrixWorld(true);
  const count = mesh.geometry.attributes.position.count;
  if (count * 3 !== skin.positions.length) return fail(`'${skin.node}' has ${count} vertices in three.js`);
  const place = new Vector3();
  for (let i = 0; i < count; ++i) {
    mesh.getVertexPosition(i, place).applyMatrix4(mesh.matrixWorld);
    const expected = skin.positions.slice(3 * i, 3 * i + 3);
    if (place.toArray().some((value, c) => !(Math.abs(value - expected[c]) <= 1e-5))) {
      return fail(`at ${skin.time} s vertex ${i} of '${skin.node}' is at ${place.toArray()}, not ${expected}`);
    }
  }
}

for (const failure of failures) console.log(failure);
console.log(`${manifest.length} files checked, ${failures.length} problems`);
process.exit(failures.length === 0 ? 0 : 1);
