// The bare engine, for comparison with the packaged runtime: a GTK window
// with one WebKit view that loads a page from memory (every file of a
// folder read before the window opens, served under the "bench" scheme),
// and the engine's own page-to-native message channel.
//
//   bare_webview FOLDER START_FILE [ROUND_TRIPS]
//
// Prints "loaded" when the page's load event has fired. With ROUND_TRIPS,
// the page then sends that many messages one after another, each answered
// by a script run in the page, and the program prints "rate <calls/s>".
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

std::map<std::string, std::string> gFiles;

const char* TypeOf(const std::string& path) {
  const std::string ext = std::filesystem::path(path).extension().string();
  if (ext == ".html")
    return "text/html";
  if (ext == ".css")
    return "text/css";
  if (ext == ".js" || ext == ".mjs")
    return "text/javascript";
  if (ext == ".png")
    return "image/png";
  return "application/octet-stream";
}

void ServeFile(WebKitURISchemeRequest* request, gpointer) {
  const std::string path = webkit_uri_scheme_request_get_path(request) + 1;
  const auto found = gFiles.find(path);
  if (found == gFiles.end()) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  GBytes* bytes = g_bytes_new(found->second.data(), found->second.size());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(found->second.size()),
                                   TypeOf(path));
  g_object_unref(stream);
  g_bytes_unref(bytes);
}

void OnMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer view) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  char* text = jsc_value_to_string(value);
  const std::string message = text;
  g_free(text);
  if (message == "loaded") {
    std::printf("loaded\n");
  } else if (message.rfind("rate ", 0) == 0) {
    std::printf("%s\n", message.c_str());
  } else {
    // A round trip: answer with a script, as a host answers a request.
    const std::string script = "window.__benchReply(" + message + ");";
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view), script.c_str(), -1, nullptr, nullptr,
                                        nullptr, nullptr, nullptr);
  }
  std::fflush(stdout);
}

std::string PageScript(int roundTrips) {
  std::ostringstream script;
  script << "window.addEventListener('load', () => {"
            "  const post = (m) => window.webkit.messageHandlers.bench.postMessage(m);"
            "  post('loaded');";
  if (roundTrips > 0) {
    script << "  let pending = null;"
              "  window.__benchReply = (reply) => { const r = pending; pending = null; r(reply); };"
              "  setTimeout(async () => {"
              "    const start = performance.now();"
              "    for (let i = 0; i < "
           << roundTrips
           << "; i++) {"
              "      await new Promise((resolve) => { pending = resolve;"
              "        post(JSON.stringify({ id: 10001, uuid: String(i), data: {} })); });"
              "    }"
              "    post('rate ' + ("
           << roundTrips
           << " / ((performance.now() - start) / 1000)).toFixed(0));"
              "  }, 300);";
  }
  script << "});";
  return script.str();
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bare_webview FOLDER START_FILE [ROUND_TRIPS]\n");
    return 64;
  }
  const std::filesystem::path folder = argv[1];
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file())
      continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    gFiles[std::filesystem::relative(entry.path(), folder).generic_string()] = bytes.str();
  }
  const int roundTrips = argc > 3 ? std::atoi(argv[3]) : 0;

  gtk_init(&argc, &argv);
  WebKitWebContext* context = webkit_web_context_get_default();
  webkit_web_context_register_uri_scheme(context, "bench", ServeFile, nullptr, nullptr);
  webkit_security_manager_register_uri_scheme_as_secure(
      webkit_web_context_get_security_manager(context), "bench");

  WebKitUserContentManager* content = webkit_user_content_manager_new();
  const std::string script = PageScript(roundTrips);
  WebKitUserScript* userScript =
      webkit_user_script_new(script.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, userScript);
  webkit_user_script_unref(userScript);
  webkit_user_content_manager_register_script_message_handler(content, "bench");

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 900, 640);
  GtkWidget* view = webkit_web_view_new_with_user_content_manager(content);
  g_signal_connect(content, "script-message-received::bench", G_CALLBACK(OnMessage), view);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  const std::string start = std::string("bench://localhost/") + argv[2];
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), start.c_str());
  gtk_main();
  return 0;
}
