// The document's files: New (the demo character), Open…, Save, Save as and
// Export to glTF. A name is shown as the full path it leads to before
// anything is written; replacing a file asks first, and replacing one of
// another kind asks a second, plainer question. Unsaved changes mark the
// title, and leaving or replacing the document asks before they are lost.
import * as api from './api.js';
import { ask, askPath } from './dialogs.js';

const YES_NO = [['yes', 'Yes'], ['no', 'No']];

export class Files {
  // studio: {state(), run(path, body), notice(text, kind)}; roots: the page's dialogs.
  constructor(studio, roots) {
    this.studio = studio;
    this.roots = roots;
    window.addEventListener('beforeunload', (e) => {
      if (this.studio.state()?.document.modified && !document.body.classList.contains('stopped')) {
        e.preventDefault();
        e.returnValue = '';
      }
    });
  }

  // The title and the toolbar show the document, with a mark while it has unsaved changes.
  show(doc) {
    const mark = doc.modified ? '*' : '';
    document.title = `${mark}${doc.name} \u2014 Fernwick studio`;
    const where = doc.savePath || doc.source;
    document.querySelector('#document').textContent = `${mark}${doc.name}${where ? ` \u2014 ${where}` : ''}`;
    document.querySelector('#document').title = doc.modified ? 'Changed since it was last saved' : '';
  }

  info(caption, text, icon = 'information') {
    return ask(this.roots.ask, { caption, text, icon, buttons: [['ok', 'OK']] });
  }

  // Whether unsaved changes may go; true when there are none.
  async mayDiscard(doing) {
    if (!this.studio.state()?.document.modified) return true;
    const answer = await ask(this.roots.ask, {
      caption: doing, icon: 'warning', buttons: YES_NO,
      text: `${this.studio.state().document.name} has changes that are not saved.\nDiscard them?`,
    });
    return answer === 'yes';
  }

  // Asks whether the file the name leads to may be replaced: once for a file
  // of the kind written, then once more, plainly, for any other kind.
  async mayReplace(target, caption, kindName) {
    if (target.replaces === 'none') return {};
    const first = await ask(this.roots.ask, {
      caption, icon: 'warning', buttons: YES_NO,
      text: `${target.path} already exists.\nDo you want to replace it?`,
    });
    if (first !== 'yes') return null;
    if (target.replaces === 'same') return { replace: true };
    const second = await ask(this.roots.ask, {
      caption, icon: 'warning', buttons: [['replace', 'Replace it'], ['keep', 'Keep it']],
      text: `${target.path} is not ${kindName}. Replacing it deletes what it holds, and it cannot be brought back.\n` +
        'Replace it anyway?',
    });
    return second === 'replace' ? { replace: true, replaceOther: true } : null;
  }

  askFile(title, suggestion, use) {
    return askPath(this.roots.path, title, suggestion, (name) => api.checkFile(name, use));
  }

  async newDocument() {
    if (!(await this.mayDiscard('New'))) return;
    if (await this.studio.run('new', { discard: true })) this.studio.notice('Opened the demo character', 'ok');
  }

  async open() {
    if (!(await this.mayDiscard('Open'))) return;
    const doc = this.studio.state()?.document;
    const target = await this.askFile('Open a scene or a glTF character', doc?.savePath || doc?.source || '', 'open');
    if (!target) return;
    const state = await this.studio.run('open', { path: target.path, discard: true });
    if (state) this.studio.notice(`Opened ${target.path}`, 'ok');
  }

  async save() {
    if (await this.studio.run('save')) this.studio.notice(`Saved ${this.studio.state().document.savePath}`, 'ok');
  }

  async saveAs() {
    const doc = this.studio.state()?.document;
    const target = await this.askFile('Save the scene as', doc?.savePath || 'scene.fws', 'save');
    if (!target) return;
    const consent = await this.mayReplace(target, 'Save as', 'a Fernwick scene');
    if (!consent) return;
    if (await this.studio.run('save-as', { path: target.path, ...consent }))
      this.studio.notice(`Saved ${this.studio.state().document.savePath}`, 'ok');
  }

  async exportCharacter() {
    const blocked = (await api.checkFile('', 'export')).blocked;
    if (blocked) return this.info('Export to glTF', `The character cannot be exported yet: ${blocked}.`, 'warning');
    const doc = this.studio.state()?.document;
    const suggestion = doc?.source ? doc.source.replace(/(\.glb|\.gltf)?$/i, '_weights.glb') : 'character.glb';
    const target = await this.askFile('Export the character with its Skin weights as', suggestion, 'export');
    if (!target) return;
    const consent = await this.mayReplace(target, 'Export to glTF', 'a glTF character');
    if (!consent) return;
    if (await this.studio.run('export', { path: target.path, ...consent })) this.studio.notice(`Exported ${target.path}`, 'ok');
  }
}
