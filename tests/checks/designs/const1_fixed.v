// CONST-1 fixed: both flip-flops change and reach the output.
module const1_fixed(input clk, input rst_n, input [3:0] d, output reg [3:0] q);
  reg toggle, seen;
  always @(posedge clk or negedge rst_n)
    if (!rst_n) begin
      q <= 4'd0;
      toggle <= 1'b0;
      seen <= 1'b0;
    end else begin
      q <= d ^ {2'd0, seen, toggle};
      toggle <= ~toggle;
      seen <= d[1];
    end
endmodule
