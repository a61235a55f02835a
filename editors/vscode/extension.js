// The Quillon32 extension: starts the language server (quillon32.server.path)
// for softkey projects, BMX projects and text softkey sources, hands it the
// run options of the settings, and offers the generation and the preview of
// every menu project of the workspace as tasks whose reports the problem
// matcher $quillon32 reads.
const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function options(scope) {
  const c = vscode.workspace.getConfiguration('quillon32', scope);
  return { arguments: c.get('arguments', []), project: c.get('project', '') };
}

function makeTask(folder, definition) {
  const c = vscode.workspace.getConfiguration('quillon32', folder.uri);
  const extra = c.get('arguments', []);
  const preview = definition.action === 'preview';
  const program = preview ? c.get('preview.path', 'Quillon32Preview') : c.get('generator.path', 'Quillon32');
  const args = preview
    ? [definition.project, definition.site || 'preview', '-diag:gcc', ...extra]
    : [definition.project, '-gensys', '-W', '-diag:gcc', ...extra];
  const task = new vscode.Task(definition, folder, `${definition.action} ${definition.project}`, 'quillon32',
                               new vscode.ProcessExecution(program, args, { cwd: folder.uri.fsPath }), '$quillon32');
  if (!preview) task.group = vscode.TaskGroup.Build;
  return task;
}

const taskProvider = {
  async provideTasks() {
    const tasks = [];
    for (const file of await vscode.workspace.findFiles('**/*.spm', '**/node_modules/**')) {
      const folder = vscode.workspace.getWorkspaceFolder(file);
      if (!folder) continue;
      const project = path.relative(folder.uri.fsPath, file.fsPath);
      for (const action of ['gensys', 'preview']) tasks.push(makeTask(folder, { type: 'quillon32', action, project }));
    }
    return tasks;
  },
  resolveTask(task) {
    const d = task.definition;
    if (!d.project || !d.action || typeof task.scope !== 'object') return undefined;
    return makeTask(task.scope, d);
  },
};

async function activate(context) {
  const folder = vscode.workspace.workspaceFolders && vscode.workspace.workspaceFolders[0];
  const server = vscode.workspace.getConfiguration('quillon32').get('server.path', 'Quillon32Lsp');
  const serverOptions = { command: server, args: [], options: folder ? { cwd: folder.uri.fsPath } : {} };
  const clientOptions = {
    documentSelector: ['quillon32-project', 'quillon32-bmx', 'quillon32-text'].map((language) => ({ scheme: 'file', language })),
    initializationOptions: options(folder && folder.uri),
    // The server takes changed settings as workspace/didChangeConfiguration.
    synchronize: { configurationSection: 'quillon32' },
  };
  client = new LanguageClient('quillon32', 'Quillon32', serverOptions, clientOptions);
  context.subscriptions.push(vscode.tasks.registerTaskProvider('quillon32', taskProvider));
  await client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
