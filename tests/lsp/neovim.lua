-- The language server through Neovim's own client, set up with the
-- manual's configuration (neovim.sh loads it), on the bundled example: a
-- misspelt keyword gets a diagnostic at its word, completion after "NODE "
-- offers the softkeys, and go to definition of a menu name lands on its
-- SKMENU line.  Quits with status 1 when one of them fails.
local failures = 0
local function check(ok, what, detail)
  io.stdout:write((ok and 'ok   ' or 'FAIL ') .. what .. ((not ok and detail) and (': ' .. detail) or '') .. '\n')
  if not ok then failures = failures + 1 end
end
local function clients(buf)
  return vim.lsp.get_clients and vim.lsp.get_clients({ bufnr = buf }) or vim.lsp.buf_get_clients(buf)
end

vim.cmd('edit mill.spm')
local buf = vim.api.nvim_get_current_buf()
local lines = vim.api.nvim_buf_get_lines(buf, 0, -1, false)
local function lineOf(start)
  for i, l in ipairs(lines) do
    if l:sub(1, #start) == start then return i - 1 end
  end
end
check(vim.bo.filetype == 'quillon32', 'the project is a quillon32 file', vim.bo.filetype)
check(vim.wait(20000, function()
  for _, c in pairs(clients(buf)) do
    if c.initialized then return true end
  end
end, 50), 'the server starts and answers initialize')

-- A misspelt keyword: the diagnostic stands at the word and names the
-- keyword meant.
local next = lineOf('SKNEXTDEF')
vim.api.nvim_buf_set_lines(buf, next, next + 1, false, { (lines[next + 1]:gsub('SKNEXTDEF', 'SKNEXDEF')) })
local d
vim.wait(20000, function()
  for _, x in ipairs(vim.diagnostic.get(buf)) do
    if x.lnum == next then d = x return true end
  end
end, 50)
check(d and d.col == 0 and d.end_col == 8 and d.message:find('did you mean SKNEXTDEF%?') ~= nil,
      'a diagnostic at the misspelt keyword', vim.inspect(vim.diagnostic.get(buf)))
vim.api.nvim_buf_set_lines(buf, next, next + 1, false, { lines[next + 1] })
check(vim.wait(20000, function() return #vim.diagnostic.get(buf) == 0 end, 50), 'it goes when the keyword is right again')

-- Completion in a NODE item being written: the project's softkeys.
local item = lineOf('CHECK CLAMP') + 1
vim.api.nvim_buf_set_lines(buf, item, item, false, { 'NODE ' })
local answers = vim.lsp.buf_request_sync(buf, 'textDocument/completion',
  { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = item, character = 5 } }, 20000) or {}
local labels = {}
for _, answer in pairs(answers) do
  for _, i in ipairs(answer.result and (answer.result.items or answer.result) or {}) do labels[i.label] = true end
end
check(labels.SPINDLE and labels.COOLANT and labels.BACKKEY and labels.SPINDLEBMX, 'completion after "NODE " offers the softkeys',
      vim.inspect(vim.tbl_keys(labels)))
vim.api.nvim_buf_set_lines(buf, item, item + 1, false, {})

-- Go to definition on the menu of a NODE item.
local node = lineOf('NODE COOLANT COOLANTMENU')
vim.api.nvim_win_set_cursor(0, { node + 1, lines[node + 1]:find('COOLANTMENU') + 2 })
vim.lsp.buf.definition()
local menu = lineOf('SKMENU COOLANTMENU')
check(vim.wait(20000, function() return vim.api.nvim_win_get_cursor(0)[1] == menu + 1 end, 50),
      'go to definition of COOLANTMENU lands on its SKMENU line', vim.inspect(vim.api.nvim_win_get_cursor(0)))

vim.cmd(failures == 0 and 'qall!' or 'cquit!')
