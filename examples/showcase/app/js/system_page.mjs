// The "Shell & system" page: qel.shell, qel.system and qel.registry.
import { $, invoke, startPage, val, wire } from "./page.mjs";

function showConsole(text) {
  const pre = $("out-command-text");
  pre.textContent = text;
  pre.hidden = text === "";
}

// Log-off and power requests force other programs closed: always ask.
function power(buttonId, path, question) {
  wire(buttonId, "out-power", path, undefined, { confirmText: () => question });
}

startPage(async (_qel, inRuntime) => {
  // qel.shell
  wire("btn-execute", "out-execute", "shell.execute", () => {
    const args = { filePath: val("in-exec-path") };
    if (val("in-exec-args") !== "") args.arguments = val("in-exec-args");
    return args;
  });
  wire("btn-explore", "out-explore", "shell.explore", () => ({ filePath: val("in-explore-path") }));
  wire("btn-command", "out-command", "shell.command", () => {
    const args = { command: val("in-command"), showWindow: $("chk-show-window").checked };
    if (val("in-working-dir") !== "") args.workingDir = val("in-working-dir");
    return args;
  }, { then: (output) => showConsole(String(output)) });
  wire("btn-windows", "out-windows", "shell.windows");

  // qel.system
  wire("btn-notification", "out-notification", "system.notification", () => ({
    name: val("in-notif-name"),
    title: val("in-notif-title"),
    body: val("in-notif-body"),
  }));
  wire("btn-mac", "out-mac", "system.macAddresses");
  power("btn-logoff", "system.logoff",
    "Log the user off NOW?\n\nOther programs are closed without being asked to save.");
  power("btn-reboot", "system.reboot",
    "Restart the computer NOW?\n\nOther programs are closed without being asked to save.");
  power("btn-shutdown", "system.shutdown",
    "Shut the computer down NOW?\n\nOther programs are closed without being asked to save.");

  // qel.registry
  const keyAndName = () => ({ key: val("in-reg-key"), name: val("in-reg-name") });
  wire("btn-reg-write", "out-registry", "registry.writeValue",
    () => ({ key: val("in-reg-key"), name: val("in-reg-name"), value: val("in-reg-value") }));
  wire("btn-reg-read", "out-registry", "registry.readValue", keyAndName);
  wire("btn-reg-value-exist", "out-registry", "registry.valueExist", keyAndName);
  wire("btn-reg-delete-value", "out-registry", "registry.deleteValue", keyAndName);
  wire("btn-reg-key-exist", "out-registry", "registry.keyExist", () => ({ key: val("in-reg-key") }));
  wire("btn-reg-delete-key", "out-registry", "registry.deleteKey", () => ({ key: val("in-reg-key") }),
    { confirmText: () => "Delete the key " + val("in-reg-key") + " with all its subkeys and values?" });

  // The program's own file is a good thing to show in the file manager.
  if (inRuntime) {
    invoke("app.getArgs").then((args) => {
      if (Array.isArray(args) && args.length > 0) $("in-explore-path").value = args[0];
    }, () => {});
  }
});
