Content-Length: 167

{"jsonrpc": "2.0", "id": 0, "method": "textDocument/hover", "params": {"textDocument": {"uri": "file:///work/proj/mill.spm"}, "position": {"line": 0, "character": 0}}}Content-Length: 5

{bad}Content-Length: 2

[]Content-Length: 65

{"jsonrpc": "2.0", "id": 0, "method": "initialize", "params": {}}Content-Length: 65

{"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}}Content-Length: 27

{"jsonrpc": "2.0", "id": 9}Content-Length: 48

{"jsonrpc": "2.0", "id": 3, "method": "no/such"}Content-Length: 49

{"jsonrpc": "2.0", "id": 4, "method": "shutdown"}Content-Length: 167

{"jsonrpc": "2.0", "id": 5, "method": "textDocument/hover", "params": {"textDocument": {"uri": "file:///work/proj/mill.spm"}, "position": {"line": 0, "character": 0}}}Content-Length: 99999999999

