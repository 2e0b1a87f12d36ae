// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded by node before a test built for the browser (node --require): the
// toolkit reads the system's locale from navigator.languages, which node 20
// does not have. The tests give the number rules their own locales.
globalThis.navigator ??= { language: 'en-US', languages: ['en-US'] };
