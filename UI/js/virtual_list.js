// A list with a fixed row height: only the rows in view (plus a margin) exist in the document,
// so a folder of any size costs the same to show and to scroll.
export class VirtualList {
  // container: the scrolling element (role="grid" or "listbox" is set by the caller).
  // renderRow(item, index, rowElement): fills a row element; rows are reused.
  constructor(container, {rowHeight = 28, renderRow, margin = 8, onNearEnd, onActivate, onSelection, label = ''}) {
    this.container = container;
    this.rowHeight = rowHeight;
    this.renderRow = renderRow;
    this.margin = margin;
    this.onNearEnd = onNearEnd;
    this.onActivate = onActivate;
    this.onSelection = onSelection;
    this.items = [];
    this.selected = new Set(); // indexes
    this.focusIndex = -1;
    this.anchor = -1;
    this.footer = null; // a text row after the items ("loading", "empty", error)

    container.classList.add('vlist');
    container.tabIndex = 0;
    if (label) container.setAttribute('aria-label', label);
    container.setAttribute('aria-multiselectable', 'true');
    this.spacer = document.createElement('div');
    this.spacer.className = 'vlist-spacer';
    this.rows = document.createElement('div');
    this.rows.className = 'vlist-rows';
    this.footerRow = document.createElement('div');
    this.footerRow.className = 'vlist-footer';
    this.footerRow.setAttribute('role', 'status');
    container.append(this.spacer, this.rows, this.footerRow);
    this.pool = [];

    container.addEventListener('scroll', () => this.render());
    container.addEventListener('keydown', e => this.onKey(e));
    container.addEventListener('click', e => this.onClick(e));
    container.addEventListener('dblclick', e => {
      const index = this.indexOf(e.target);
      if (index >= 0) this.onActivate?.(this.items[index], index);
    });
    this.resizeObserver = new ResizeObserver(() => this.render());
    this.resizeObserver.observe(container);
  }

  setItems(items, {keepSelection = false} = {}) {
    this.items = items;
    if (!keepSelection) {
      this.selected.clear();
      this.focusIndex = items.length ? 0 : -1;
      this.anchor = this.focusIndex;
      this.container.scrollTop = 0;
    } else {
      for (const i of [...this.selected]) if (i >= items.length) this.selected.delete(i);
      if (this.focusIndex >= items.length) this.focusIndex = items.length - 1;
      if (this.focusIndex < 0 && items.length) this.focusIndex = 0; // the first page of a new list
    }
    this.render();
    this.onSelection?.(this.selection());
  }

  setFooter(text, kind = '') {
    this.footer = text ? {text, kind} : null;
    this.render();
  }

  selection() {
    return [...this.selected].sort((a, b) => a - b).map(i => this.items[i]);
  }

  indexOf(target) {
    const row = target.closest?.('.vlist-row');
    return row && row.parentNode === this.rows ? Number(row.dataset.index) : -1;
  }

  render() {
    const height = this.container.clientHeight || 400;
    const total = this.items.length;
    this.spacer.style.height = `${total * this.rowHeight}px`;
    const first = Math.max(0, Math.floor(this.container.scrollTop / this.rowHeight) - this.margin);
    const last = Math.min(total, Math.ceil((this.container.scrollTop + height) / this.rowHeight) + this.margin);
    const count = Math.max(0, last - first);
    while (this.pool.length < count) {
      const row = document.createElement('div');
      row.className = 'vlist-row';
      row.setAttribute('role', 'row');
      this.pool.push(row);
    }
    while (this.rows.childElementCount > count) this.rows.lastChild.remove();
    for (let n = 0; n < count; ++n) {
      const index = first + n;
      const row = this.pool[n];
      if (row.parentNode !== this.rows) this.rows.append(row);
      row.dataset.index = String(index);
      row.style.transform = `translateY(${index * this.rowHeight}px)`;
      row.style.height = `${this.rowHeight}px`;
      const selected = this.selected.has(index);
      row.classList.toggle('selected', selected);
      row.classList.toggle('focused', index === this.focusIndex);
      row.setAttribute('aria-selected', selected ? 'true' : 'false');
      row.setAttribute('aria-rowindex', String(index + 1));
      row.id = index === this.focusIndex ? `${this.container.id}-active` : '';
      this.renderRow(this.items[index], index, row);
    }
    if (this.focusIndex >= 0 && this.focusIndex >= first && this.focusIndex < last) {
      this.container.setAttribute('aria-activedescendant', `${this.container.id}-active`);
    } else {
      this.container.removeAttribute('aria-activedescendant');
    }
    this.footerRow.style.transform = `translateY(${total * this.rowHeight}px)`;
    this.footerRow.hidden = !this.footer;
    this.footerRow.textContent = this.footer ? this.footer.text : '';
    this.footerRow.className = 'vlist-footer' + (this.footer?.kind ? ' ' + this.footer.kind : '');
    this.container.setAttribute('aria-rowcount', String(total));
    // also with no rows at all: a filter that matches nothing yet may match on a later page
    if (this.onNearEnd && last >= total - this.margin) this.onNearEnd();
  }

  focusRow(index, {extend = false, toggle = false} = {}) {
    if (!this.items.length) return;
    index = Math.max(0, Math.min(this.items.length - 1, index));
    this.focusIndex = index;
    if (extend && this.anchor >= 0) {
      this.selected.clear();
      const [a, b] = this.anchor < index ? [this.anchor, index] : [index, this.anchor];
      for (let i = a; i <= b; ++i) this.selected.add(i);
    } else if (toggle) {
      if (this.selected.has(index)) this.selected.delete(index);
      else this.selected.add(index);
      this.anchor = index;
    } else {
      this.selected.clear();
      this.selected.add(index);
      this.anchor = index;
    }
    this.scrollIntoView(index);
    this.render();
    this.onSelection?.(this.selection());
  }

  scrollIntoView(index) {
    const top = index * this.rowHeight;
    const height = this.container.clientHeight;
    if (top < this.container.scrollTop) this.container.scrollTop = top;
    else if (top + this.rowHeight > this.container.scrollTop + height) {
      this.container.scrollTop = top + this.rowHeight - height;
    }
  }

  selectAll() {
    this.selected = new Set(this.items.map((_, i) => i));
    this.render();
    this.onSelection?.(this.selection());
  }

  onClick(e) {
    const index = this.indexOf(e.target);
    if (index < 0) return;
    this.focusRow(index, {extend: e.shiftKey, toggle: e.ctrlKey || e.metaKey});
  }

  onKey(e) {
    const page = Math.max(1, Math.floor(this.container.clientHeight / this.rowHeight) - 1);
    const at = this.focusIndex < 0 ? -1 : this.focusIndex;
    const move = to => {
      e.preventDefault();
      this.focusRow(to, {extend: e.shiftKey});
    };
    switch (e.key) {
    case 'ArrowDown': return move(at + 1);
    case 'ArrowUp': return move(at - 1);
    case 'PageDown': return move(at + page);
    case 'PageUp': return move(at - page);
    case 'Home': return move(0);
    case 'End': return move(this.items.length - 1);
    case ' ':
      if (e.ctrlKey && at >= 0) {
        e.preventDefault();
        this.focusRow(at, {toggle: true});
      }
      return;
    case 'Enter':
      if (at >= 0) {
        e.preventDefault();
        this.onActivate?.(this.items[at], at);
      }
      return;
    case 'a':
    case 'A':
      if (e.ctrlKey || e.metaKey) {
        e.preventDefault();
        this.selectAll();
      }
      return;
    default:
    }
  }
}
