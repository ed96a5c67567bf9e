/* A stand-in for the SAPI voice, for the tests under wine: registered as
 * "SAPI.SpVoice" in a private prefix, it writes "start (<flags>) <text>" for
 * each sentence to C:\speak.log, takes a while as a voice would, then writes
 * "end"; a sentence is over when Speak returns. SetRate writes "rate <n>".
 * Every other method of ISpVoice answers E_NOTIMPL. */
#define COBJMACROS
#include <windows.h>
#include <sapi.h>

static HRESULT STDMETHODCALLTYPE not_implemented(void* self) {
  (void)self;
  return E_NOTIMPL;
}
static ULONG STDMETHODCALLTYPE static_ref(void* self) {
  (void)self;
  return 1;
}
static HRESULT STDMETHODCALLTYPE query(void* self, REFIID wanted, void** out) {
  (void)wanted;
  *out = self;
  return S_OK;
}

static void append(const char* text, DWORD size) {
  HANDLE log = CreateFileW(L"C:\\speak.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
  DWORD written = 0;
  WriteFile(log, text, size, &written, NULL);
  CloseHandle(log);
}

static HRESULT STDMETHODCALLTYPE wait_until_done(ISpVoice* self, ULONG milliseconds) {
  (void)self;
  (void)milliseconds;
  return S_OK;  /* speak() returns when it is done */
}

static HRESULT STDMETHODCALLTYPE set_rate(ISpVoice* self, long rate) {
  (void)self;
  char line[32];
  append(line, (DWORD)wsprintfA(line, "rate %ld\n", rate));
  return S_OK;
}

static HRESULT STDMETHODCALLTYPE speak(ISpVoice* self, LPCWSTR text, DWORD flags, ULONG* stream) {
  (void)self;
  if (text == NULL) return S_OK; /* a purge: nothing is queued here */
  char line[8192];
  const int start = wsprintfA(line, "start (%lu) ", (unsigned long)flags);
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, line + start, (int)sizeof line - start - 2, NULL, NULL);
  if (size <= 0) size = 1;
  line[start + size - 1] = '\n';
  append(line, (DWORD)(start + size));
  Sleep(300);
  append("end\n", 4);
  if (stream != NULL) *stream = 1;
  return S_OK;
}

static ISpVoiceVtbl voice_table;
static ISpVoice voice = {&voice_table};

static HRESULT STDMETHODCALLTYPE create(IClassFactory* self, IUnknown* outer, REFIID wanted, void** out) {
  (void)self;
  (void)outer;
  (void)wanted;
  *out = &voice;
  return S_OK;
}

static IClassFactoryVtbl factory_table;
static IClassFactory factory = {&factory_table};

static void fill(void** slots, size_t count) {
  for (size_t i = 0; i < count; ++i) slots[i] = (void*)not_implemented;
}

HRESULT WINAPI DllGetClassObject(REFCLSID class_id, REFIID wanted, void** out) {
  (void)class_id;
  (void)wanted;
  fill((void**)&voice_table, sizeof voice_table / sizeof(void*));
  voice_table.QueryInterface = (void*)query;
  voice_table.AddRef = (void*)static_ref;
  voice_table.Release = (void*)static_ref;
  voice_table.Speak = speak;
  voice_table.WaitUntilDone = wait_until_done;
  voice_table.SetRate = set_rate;
  fill((void**)&factory_table, sizeof factory_table / sizeof(void*));
  factory_table.QueryInterface = (void*)query;
  factory_table.AddRef = (void*)static_ref;
  factory_table.Release = (void*)static_ref;
  factory_table.CreateInstance = create;
  *out = &factory;
  return S_OK;
}

HRESULT WINAPI DllCanUnloadNow(void) { return S_FALSE; }
